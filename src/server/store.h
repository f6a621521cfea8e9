// The leaderboard's table of runs in a database: SQLite in one file by
// default, PostgreSQL where several servers share the table. Both hold
// the same schema, versioned and brought up to date when opened, and keep
// each run's replay bytes (and its clip, once made) in the database
// itself, so that no file is ever named after what a client sent.
#ifndef TOSSARO_SERVER_STORE_H
#define TOSSARO_SERVER_STORE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// One accepted game.
struct Run {
   std::string id;  // made by the server
   std::string name;
   int32_t score = 0;
   uint32_t ticks = 0;
   int64_t played = 0;  // when the game began, seconds since 1970
   int64_t submitted = 0;  // seconds since 1970
   bool hasClip = false;
};

// A run and its place: best score first, equal scores by the earlier
// submission.
struct Placed {
   Run run;
   int64_t rank = 0;  // from 1
   int64_t of = 0;  // the runs in the table
};

// A run the operator took off the board, and why.
struct HiddenRun {
   Run run;
   std::string reason;
};

// A database that fails while the server runs (the disk is full, the
// connection is lost): the request is answered with a failure, the server
// goes on.
class StoreError : public std::runtime_error {
public:
   using std::runtime_error::runtime_error;
};

// What add() made of a run.
enum class Addition {
   New,  // a row of its own
   SameBytes,  // the same bytes as a run there already: that run
   SamePlay,  // the same play as a run there already, under another name or time: that run
};

// Digests a replay's bytes to its play (playDigestOf); empty when they
// are no replay.
using PlayOf = std::function<std::string(const Bytes &replay)>;

class Store {
public:
   virtual ~Store() = default;

   // Adds the run with its replay's bytes, unless a run of the same digest
   // (of the same bytes) or of the same play is there already: then that
   // one, and `how` says which.
   virtual Placed add(const Run &run, const std::string &digest, const std::string &play,
                      const Bytes &replay, Addition *how) = 0;
   // Gives the runs kept before plays were digested their play's digest,
   // the earliest first; a later copy of a play keeps none. Returns how
   // many it gave one.
   virtual int64_t digestPlays(const PlayOf &playOf) = 0;
   // The runs on the board, in order from the `offset`-th (from 0), at
   // most `limit`; how many there are; one of them. A hidden run is on no
   // board, and its rank is what it would have.
   virtual std::vector<Placed> top(int limit, int64_t offset) = 0;
   virtual int64_t count() = 0;
   virtual std::optional<Placed> find(const std::string &id) = 0;
   // The run's replay: only a run on the board's, unless `hiddenToo` (for
   // the operator).
   virtual std::optional<Bytes> replay(const std::string &id, bool hiddenToo = false) = 0;
   virtual std::optional<Bytes> clip(const std::string &id) = 0;
   virtual void keepClip(const std::string &id, const Bytes &gif) = 0;
   // Runs on the board that have no clip yet, the best first.
   virtual std::vector<std::string> withoutClip(int limit) = 0;
   // Takes a run off the board, keeping it and its replay, or puts it
   // back; false when there is no such run.
   virtual bool hide(const std::string &id, const std::string &reason) = 0;
   virtual bool unhide(const std::string &id) = 0;
   // The hidden runs, the earliest submitted first.
   virtual std::vector<HiddenRun> hidden() = 0;
   // Whether the database takes a write now: a small table of its own is
   // written.
   virtual bool writable() = 0;
};

// The schema's version that this server writes; a database of a later one
// is refused.
const int kSchemaVersion = 4;

// Opens "sqlite:PATH" (made when missing) or "postgresql://..." (or
// "postgresql:" and any connection string libpq takes) and brings its
// schema up to date. Null, and one line in `problem` naming the database
// and what failed, when it cannot.
std::unique_ptr<Store> openStore(const std::string &database, std::string *problem);

std::unique_ptr<Store> openSqliteStore(const std::string &path, std::string *problem);
std::unique_ptr<Store> openPostgresStore(const std::string &connection, std::string *problem);

#endif
