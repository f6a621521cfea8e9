// What saving the table's file takes besides writing it: a lock that two
// copies of the game share, and the temporary files of saves that were
// killed before their rename.
#ifndef TOSSARO_SCORES_TABLE_FILE_H
#define TOSSARO_SCORES_TABLE_FILE_H

#include <string>

// An exclusive lock on the folder that holds a file, held while the object
// lives. The folder is locked rather than the file, because a save
// replaces the file with another one.
class FolderLock {
public:
   // Waits up to `seconds` for the lock on the folder of `path`, whose
   // symbolic links the caller has followed.
   FolderLock(const std::string &path, double seconds);
   ~FolderLock();
   FolderLock(const FolderLock &) = delete;
   FolderLock &operator=(const FolderLock &) = delete;

   // Empty when the lock is held, or when there is none to have: a missing
   // folder fails the save on its own, and one on a file system without
   // locks is saved as a single copy of the game would. A folder that
   // cannot be opened (searched but not read) cannot be locked.
   // Else why it is not held, such as another copy holding it all the
   // while.
   const std::string &problem() const { return problem_; }
   // Whether another copy held it all the while.
   bool busy() const { return busy_; }

private:
   int fd_ = -1;
   std::string problem_;
   bool busy_ = false;
};

// Removes the temporary files a save of `path` leaves when it is killed
// between writing and renaming (".hiscores.bin.tmp-" and six characters
// beside it), once they are a minute old, so that no save still running
// loses its own. Nothing else is touched. `path` is the file its symbolic
// links lead to, beside which the temporary files are made.
void removeLeftovers(const std::string &path);

#endif
