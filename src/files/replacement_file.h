// Writing a file whole: the new contents go to a temporary file beside the
// target, which is synced, renamed over the target, and the folder synced,
// so that neither a failure nor a power cut leaves a partial file or loses
// the older one.
#ifndef TOSSARO_FILES_REPLACEMENT_FILE_H
#define TOSSARO_FILES_REPLACEMENT_FILE_H

#include <cstdio>
#include <string>
#include <vector>

struct ReplacementFile {
   std::string target;     // the name given, its symbolic links followed
   std::string temporary;  // the new file beside the target
   int fd = -1;            // open on the temporary file until committed or abandoned
   const char *not_a_file = nullptr;  // what stands at the target when refused ("a FIFO")
};

// Makes an empty temporary file beside the target, open for writing, with
// the older file's permissions and owner (the usual ones when there is
// none), and returns its descriptor, also kept in file->fd. Returns -1,
// errno set, when the older file could not have been opened for writing
// or no file can be made beside it, and when a folder, a device, a FIFO or
// a socket stands at the target (then file->not_a_file says which): the
// rename would put a file in its place.
int open_replacement_file(const char *filename, ReplacementFile *file);

// Why open_replacement_file failed, in a few words: "not written: it is a
// device, not a file", or "cannot make a new file beside it: " and the
// system's message for errno.
std::string replacement_failure(const ReplacementFile &file);

// The start of the temporary files' names beside a file named `name`:
// hidden, and a name no person picks (".hiscores.bin.tmp-"); mkstemp adds
// six characters.
std::string replacement_prefix(const std::string &name);

// Syncs and closes the temporary file, which may have been written through
// its name or a copy of the descriptor, renames it over the target and
// syncs the folder. Returns 0, or -1 with errno set and the temporary file
// removed.
int commit_replacement_file(ReplacementFile *file);

// Closes and removes the temporary file, keeping errno.
void abandon_replacement_file(ReplacementFile *file);

// Writes `bytes` as the whole contents of the file `path` names. Returns
// an empty string, or one line naming the file and the step that failed;
// then the older file is untouched.
std::string replace_file(const std::string &path, const std::vector<unsigned char> &bytes);

// A file written through a stdio stream and put in place by finish();
// dropped unless finished.
class OutputFile {
public:
   OutputFile() = default;
   OutputFile(const OutputFile &) = delete;
   OutputFile &operator=(const OutputFile &) = delete;
   ~OutputFile();

   // A file that replaces any older one of the name. Returns an empty
   // string, or the reason it cannot be written (also when an older file
   // of the name could not be opened for writing, or is no regular file).
   std::string open(const char *filename);
   // A new file of the name, written in place: refused when anything
   // stands there (a file, a symbolic link, a FIFO), which is never
   // written, followed nor waited for. Returns an empty string, or the
   // reason. Not synced: no older file is at stake.
   std::string create(const char *filename);
   FILE *stream() const { return stream_; }
   // Closes it and puts it in place. Returns an empty string, or the
   // reason (then no file is left behind).
   std::string finish();

private:
   // Drops what was written: the temporary file, or the new one.
   void drop();

   ReplacementFile file_;
   std::string created_;  // the new file create() made; empty for a replacement
   FILE *stream_ = nullptr;
};

#endif
