// The table in one SQLite file: written ahead (WAL), so that readers of
// the page never wait for a submission, through one connection that the
// server's threads take in turn.
#include <sqlite3.h>
#include <sys/stat.h>

#include <ctime>
#include <mutex>
#include <tuple>

#include "files/paths.h"
#include "server/store.h"

namespace {

// Each step of the schema, from an empty database: the version a database
// is at is how many of them it has had (SQLite's user_version).
const char *const kMigrations[] = {
   "CREATE TABLE runs (seq INTEGER PRIMARY KEY, id TEXT NOT NULL UNIQUE,"
   " digest TEXT NOT NULL UNIQUE, name TEXT NOT NULL, score INTEGER NOT NULL,"
   " ticks INTEGER NOT NULL, played INTEGER NOT NULL, submitted INTEGER NOT NULL,"
   " replay BLOB NOT NULL);"
   "CREATE INDEX runs_by_place ON runs (score DESC, seq);"
   "CREATE TABLE clips (seq INTEGER PRIMARY KEY REFERENCES runs (seq), gif BLOB NOT NULL);",
   // What was played, digested: the same play is one run. Empty in the
   // runs kept before, until digestPlays().
   "ALTER TABLE runs ADD COLUMN play TEXT;"
   "CREATE UNIQUE INDEX runs_by_play ON runs (play);",
   // Runs the operator took off the board (the reason; NULL for a run on
   // it), and the row /healthz writes.
   "ALTER TABLE runs ADD COLUMN hidden TEXT;"
   "CREATE TABLE health (id INTEGER PRIMARY KEY, at INTEGER NOT NULL);",
   // The runs on the board, counted as they come and go: how many in all,
   // and how many of each score, whose sum over the better scores is a
   // run's rank without a scan of the runs.
   "CREATE TABLE tally (id INTEGER PRIMARY KEY CHECK (id = 1), runs INTEGER NOT NULL);"
   "INSERT INTO tally SELECT 1, count(*) FROM runs WHERE hidden IS NULL;"
   "CREATE TABLE score_counts (score INTEGER PRIMARY KEY, runs INTEGER NOT NULL);"
   "INSERT INTO score_counts SELECT score, count(*) FROM runs WHERE hidden IS NULL GROUP BY score;",
};
static_assert(sizeof kMigrations / sizeof *kMigrations == kSchemaVersion);

const char kRunColumns[] = "SELECT seq, id, name, score, ticks, played, submitted,"
                           " EXISTS (SELECT 1 FROM clips WHERE clips.seq = runs.seq) FROM runs ";

class Statement {
public:
   Statement(sqlite3 *db, const char *sql) : db_(db)
   {
      if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
         throw StoreError(sqlite3_errmsg(db));
   }
   ~Statement() { sqlite3_finalize(statement_); }
   Statement(const Statement &) = delete;
   Statement &operator=(const Statement &) = delete;

   Statement &bind(int at, int64_t value)
   {
      check(sqlite3_bind_int64(statement_, at, value));
      return *this;
   }
   Statement &bind(int at, const std::string &text)
   {
      check(sqlite3_bind_text(statement_, at, text.data(), int(text.size()), SQLITE_TRANSIENT));
      return *this;
   }
   Statement &bind(int at, const Bytes &bytes)
   {
      // An empty blob is bound as one, never as NULL.
      check(sqlite3_bind_blob(statement_, at, bytes.empty() ? "" : (const void *)bytes.data(),
                              int(bytes.size()), SQLITE_TRANSIENT));
      return *this;
   }
   // Ready to be bound and stepped again.
   void reset()
   {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
   }
   // Whether a row came.
   bool step()
   {
      const int status = sqlite3_step(statement_);
      if (status != SQLITE_ROW && status != SQLITE_DONE)
         throw StoreError(sqlite3_errmsg(db_));
      return status == SQLITE_ROW;
   }
   int64_t integer(int column) { return sqlite3_column_int64(statement_, column); }
   std::string text(int column)
   {
      const auto *text = sqlite3_column_text(statement_, column);
      return text ? std::string(reinterpret_cast<const char *>(text),
                                size_t(sqlite3_column_bytes(statement_, column)))
                  : std::string();
   }
   Bytes bytes(int column)
   {
      const auto *blob =
         static_cast<const unsigned char *>(sqlite3_column_blob(statement_, column));
      return blob ? Bytes(blob, blob + sqlite3_column_bytes(statement_, column)) : Bytes();
   }
   Run run()
   {
      Run run;
      run.id = text(1);
      run.name = text(2);
      run.score = int32_t(integer(3));
      run.ticks = uint32_t(integer(4));
      run.played = integer(5);
      run.submitted = integer(6);
      run.hasClip = integer(7) != 0;
      return run;
   }

private:
   void check(int status)
   {
      if (status != SQLITE_OK)
         throw StoreError(sqlite3_errmsg(db_));
   }

   sqlite3 *db_;
   sqlite3_stmt *statement_ = nullptr;
};

class SqliteStore : public Store {
public:
   explicit SqliteStore(sqlite3 *db) : db_(db) {}
   ~SqliteStore() override { sqlite3_close(db_); }

   void run(const char *sql)
   {
      char *message = nullptr;
      if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
         const std::string text = message ? message : sqlite3_errmsg(db_);
         sqlite3_free(message);
         throw StoreError(text);
      }
   }

   void migrate()
   {
      Statement version(db_, "PRAGMA user_version");
      version.step();
      const int64_t at = version.integer(0);
      if (at > kSchemaVersion)
         throw StoreError("its schema is of version " + std::to_string(at) +
                          ", newer than this server's " + std::to_string(kSchemaVersion));
      for (int64_t next = at; next < kSchemaVersion; next++) {
         run("BEGIN IMMEDIATE");
         try {
            run(kMigrations[next]);
            run(("PRAGMA user_version = " + std::to_string(next + 1)).c_str());
            run("COMMIT");
         } catch (const StoreError &) {
            run("ROLLBACK");
            throw;
         }
      }
   }

   Placed add(const Run &given, const std::string &digest, const std::string &play,
              const Bytes &replay, Addition *how) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      // One connection, taken in turn: nothing comes between the look and
      // the insert.
      for (const auto &[column, value, addition] :
           {std::tuple{"digest", digest, Addition::SameBytes},
            {"play", play, Addition::SamePlay}}) {
         Statement same(db_, (std::string(kRunColumns) + "WHERE " + column + " = ?").c_str());
         same.bind(1, value);
         if (same.step()) {
            *how = addition;
            return placed(same);
         }
      }
      inTransaction([&] {
         Statement insert(db_, "INSERT INTO runs (id, digest, play, name, score, ticks, played,"
                               " submitted, replay) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
         insert.bind(1, given.id).bind(2, digest).bind(3, play).bind(4, given.name);
         insert.bind(5, given.score).bind(6, given.ticks).bind(7, given.played);
         insert.bind(8, given.submitted).bind(9, replay);
         insert.step();
         tally(given.score, 1);
      });
      *how = Addition::New;
      Statement added(db_, (std::string(kRunColumns) + "WHERE digest = ?").c_str());
      added.bind(1, digest);
      added.step();
      return placed(added);
   }

   int64_t digestPlays(const PlayOf &playOf) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement rows(db_, "SELECT seq, replay FROM runs WHERE play IS NULL ORDER BY seq");
      Statement give(db_, "UPDATE runs SET play = ?1 WHERE seq = ?2"
                          " AND NOT EXISTS (SELECT 1 FROM runs WHERE play = ?1)");
      int64_t given = 0;
      while (rows.step()) {
         const std::string play = playOf(rows.bytes(1));
         if (play.empty())
            continue;
         give.reset();
         give.bind(1, play).bind(2, rows.integer(0));
         give.step();
         given += sqlite3_changes(db_);
      }
      return given;
   }

   std::vector<Placed> top(int limit, int64_t offset) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      const int64_t of = countHeld();
      Statement rows(db_, (std::string(kRunColumns) +
                           "WHERE hidden IS NULL ORDER BY score DESC, seq LIMIT ? OFFSET ?")
                             .c_str());
      rows.bind(1, limit).bind(2, offset);
      std::vector<Placed> runs;
      while (rows.step())
         runs.push_back({rows.run(), offset + int64_t(runs.size()) + 1, of});
      return runs;
   }

   int64_t count() override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      return countHeld();
   }

   std::optional<Placed> find(const std::string &id) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement row(db_, (std::string(kRunColumns) + "WHERE id = ? AND hidden IS NULL").c_str());
      row.bind(1, id);
      if (!row.step())
         return std::nullopt;
      return placed(row);
   }

   std::optional<Bytes> replay(const std::string &id, bool hiddenToo) override
   {
      return blob(hiddenToo ? "SELECT replay FROM runs WHERE id = ?"
                            : "SELECT replay FROM runs WHERE id = ? AND hidden IS NULL",
                  id);
   }

   std::optional<Bytes> clip(const std::string &id) override
   {
      return blob("SELECT gif FROM clips JOIN runs USING (seq) WHERE id = ? AND hidden IS NULL",
                  id);
   }

   void keepClip(const std::string &id, const Bytes &gif) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement insert(db_, "INSERT OR REPLACE INTO clips (seq, gif)"
                            " SELECT seq, ? FROM runs WHERE id = ?");
      insert.bind(1, gif).bind(2, id);
      insert.step();
   }

   std::vector<std::string> withoutClip(int limit) override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement rows(db_,
                     "SELECT id FROM runs WHERE hidden IS NULL"
                     " AND seq NOT IN (SELECT seq FROM clips) ORDER BY score DESC, seq LIMIT ?");
      rows.bind(1, limit);
      std::vector<std::string> ids;
      while (rows.step())
         ids.push_back(rows.text(0));
      return ids;
   }

   bool hide(const std::string &id, const std::string &reason) override
   {
      return setHidden(id, &reason);
   }

   bool unhide(const std::string &id) override { return setHidden(id, nullptr); }

   std::vector<HiddenRun> hidden() override
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement rows(db_, "SELECT seq, id, name, score, ticks, played, submitted, 0, hidden"
                          " FROM runs WHERE hidden IS NOT NULL ORDER BY seq");
      std::vector<HiddenRun> runs;
      while (rows.step())
         runs.push_back({rows.run(), rows.text(8)});
      return runs;
   }

   bool writable() override
   {
      try {
         std::lock_guard<std::mutex> hold(mutex_);
         Statement write(db_, "INSERT OR REPLACE INTO health (id, at) VALUES (1, ?)");
         write.bind(1, int64_t(time(nullptr)));
         write.step();
         return true;
      } catch (const StoreError &) {
         return false;
      }
   }

private:
   // Runs `body` as one transaction, rolled back when it throws.
   template <typename Body>
   void inTransaction(Body body)
   {
      run("BEGIN IMMEDIATE");
      try {
         body();
         run("COMMIT");
      } catch (const StoreError &) {
         run("ROLLBACK");
         throw;
      }
   }

   // Counts `change` more (or fewer) runs of `score` on the board.
   void tally(int64_t score, int64_t change)
   {
      Statement scores(db_, "INSERT INTO score_counts (score, runs) VALUES (?1, ?2)"
                            " ON CONFLICT (score) DO UPDATE SET runs = runs + ?2");
      scores.bind(1, score).bind(2, change);
      scores.step();
      Statement all(db_, "UPDATE tally SET runs = runs + ?");
      all.bind(1, change);
      all.step();
   }

   // Hides the run with the reason, or shows it with none; the tallies
   // change only when the run comes or goes.
   bool setHidden(const std::string &id, const std::string *reason)
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement row(db_, "SELECT score, hidden IS NULL FROM runs WHERE id = ?");
      row.bind(1, id);
      if (!row.step())
         return false;
      const int64_t score = row.integer(0);
      const bool shown = row.integer(1) != 0;
      inTransaction([&] {
         Statement update(db_, "UPDATE runs SET hidden = ? WHERE id = ?");
         if (reason)
            update.bind(1, *reason);
         update.bind(2, id);
         update.step();
         if (shown == (reason != nullptr))
            tally(score, reason ? -1 : 1);
      });
      return true;
   }

   int64_t countHeld()
   {
      Statement all(db_, "SELECT runs FROM tally");
      all.step();
      return all.integer(0);
   }

   // The run on the statement's row, with its place now: the runs of
   // better scores, from their tallies, and those of its score submitted
   // before it.
   Placed placed(Statement &row)
   {
      Statement better(db_, "SELECT coalesce(sum(runs), 0) FROM score_counts WHERE score > ?");
      better.bind(1, row.integer(3));
      better.step();
      Statement equal(db_, "SELECT count(*) FROM runs WHERE score = ? AND seq <= ?"
                           " AND hidden IS NULL");
      equal.bind(1, row.integer(3)).bind(2, row.integer(0));
      equal.step();
      return {row.run(), better.integer(0) + equal.integer(0), countHeld()};
   }

   std::optional<Bytes> blob(const char *sql, const std::string &id)
   {
      std::lock_guard<std::mutex> hold(mutex_);
      Statement row(db_, sql);
      row.bind(1, id);
      if (!row.step())
         return std::nullopt;
      return row.bytes(0);
   }

   sqlite3 *db_;
   std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Store> openSqliteStore(const std::string &path, std::string *problem)
{
   sqlite3 *db = nullptr;
   if (sqlite3_open_v2(path.c_str(), &db,
                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                       nullptr) != SQLITE_OK) {
      *problem = path + ": " + (db ? sqlite3_errmsg(db) : "cannot be opened");
      // A service's state folder not made yet is the usual cause.
      const std::string folder = folder_of(path);
      struct stat status;
      if (stat(folder.c_str(), &status) != 0)
         *problem += " (its folder " + folder + " is missing)";
      else if (!S_ISDIR(status.st_mode))
         *problem += " (" + folder + " is not a folder)";
      sqlite3_close(db);
      return nullptr;
   }
   auto store = std::make_unique<SqliteStore>(db);
   try {
      // Another process holding the file (a backup, the sqlite3 shell) is
      // waited for a while rather than failed at once.
      sqlite3_busy_timeout(db, 5000);
      store->run(
         "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
      store->migrate();
   } catch (const StoreError &error) {
      *problem = path + ": " + error.what();
      return nullptr;
   }
   return store;
}
