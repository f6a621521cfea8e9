// tossaro-server from its command line to its end: the database opened,
// the address bound, "listening on http://..." said, and requests served
// until SIGTERM or SIGINT, after which those in flight are answered and
// the database closed.
#ifndef TOSSARO_SERVER_SERVER_PROGRAM_H
#define TOSSARO_SERVER_SERVER_PROGRAM_H

// Returns the exit status: 0 once stopped by a signal, 1 when it cannot
// listen or open the database, 2 for a mistake on the command line.
int runServer(int argc, char **argv);

#endif
