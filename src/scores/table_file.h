// What saving the table's file takes besides writing it: a lock that two
// copies of the game share, and the temporary files of saves that were
// killed before their rename.
#ifndef TOSSARO_SCORES_TABLE_FILE_H
#define TOSSARO_SCORES_TABLE_FILE_H

#include <string>
#include <vector>

// An exclusive lock on the folder that holds a file, held while the object
// lives. The folder is locked rather than the file, because a save
// replaces the file with another one.
class FolderLock {
public:
   // Waits up to `seconds` for the lock on the folder of `path`.
   FolderLock(const std::string &path, double seconds);
   ~FolderLock();
   FolderLock(const FolderLock &) = delete;
   FolderLock &operator=(const FolderLock &) = delete;

   // False when another process held the lock all the while (a folder that
   // cannot be opened is no such case: there the save fails on its own).
   bool held() const { return held_; }

private:
   int fd_ = -1;
   bool held_ = false;
};

// Removes the temporary files a save of `path` leaves when it is killed
// between writing and renaming (`path` and six more characters), once
// they are a minute old, so that no save still running loses its own.
void removeLeftovers(const std::string &path);

// The first `limit` bytes of the file; empty when it cannot be read.
std::vector<unsigned char> readBytes(const std::string &path, size_t limit);

#endif
