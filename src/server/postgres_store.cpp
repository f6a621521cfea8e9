// The table in PostgreSQL, which several servers may share: a few
// connections that this server's threads take in turn, each statement
// with its values as parameters, the schema brought up to date under a
// lock that servers starting together wait on.
#include <pqxx/pqxx>

#include <condition_variable>
#include <ctime>
#include <mutex>

#include "server/store.h"

namespace {

const char *const kMigrations[] = {
   "CREATE TABLE runs (seq bigserial PRIMARY KEY, id text NOT NULL UNIQUE,"
   " digest text NOT NULL UNIQUE, name text NOT NULL, score integer NOT NULL,"
   " ticks bigint NOT NULL, played bigint NOT NULL, submitted bigint NOT NULL,"
   " replay bytea NOT NULL);"
   "CREATE INDEX runs_by_place ON runs (score DESC, seq);"
   "CREATE TABLE clips (seq bigint PRIMARY KEY REFERENCES runs (seq), gif bytea NOT NULL);",
   // What was played, digested: the same play is one run. Empty in the
   // runs kept before, until digestPlays().
   "ALTER TABLE runs ADD COLUMN play text;"
   "CREATE UNIQUE INDEX runs_by_play ON runs (play);",
   // Runs the operator took off the board (the reason; NULL for a run on
   // it), and the row /healthz writes.
   "ALTER TABLE runs ADD COLUMN hidden text;"
   "CREATE TABLE health (id integer PRIMARY KEY, at bigint NOT NULL);",
   // The runs on the board, counted as they come and go: how many in all,
   // and how many of each score, whose sum over the better scores is a
   // run's rank without a scan of the runs.
   "CREATE TABLE tally (id integer PRIMARY KEY CHECK (id = 1), runs bigint NOT NULL);"
   "INSERT INTO tally SELECT 1, count(*) FROM runs WHERE hidden IS NULL;"
   "CREATE TABLE score_counts (score integer PRIMARY KEY, runs bigint NOT NULL);"
   "INSERT INTO score_counts SELECT score, count(*) FROM runs WHERE hidden IS NULL GROUP BY score;",
};
static_assert(sizeof kMigrations / sizeof *kMigrations == kSchemaVersion);

// Any number, the same in every server: the lock they migrate under.
const int64_t kMigrationLock = 0x7055a70;
const size_t kConnections = 4;

const char kRunColumns[] = "SELECT seq, id, name, score, ticks, played, submitted,"
                           " EXISTS (SELECT 1 FROM clips WHERE clips.seq = runs.seq) FROM runs ";

Run runOf(const pqxx::row &row)
{
   Run run;
   run.id = row[1].as<std::string>();
   run.name = row[2].as<std::string>();
   run.score = row[3].as<int32_t>();
   run.ticks = row[4].as<uint32_t>();
   run.played = row[5].as<int64_t>();
   run.submitted = row[6].as<int64_t>();
   run.hasClip = row[7].as<bool>();
   return run;
}

pqxx::binarystring binary(const Bytes &bytes)
{
   return pqxx::binarystring(bytes.data(), bytes.size());
}

class PostgresStore : public Store {
public:
   explicit PostgresStore(std::string connection) : connection_(std::move(connection)) {}

   void migrate()
   {
      use([](pqxx::work &work) {
         work.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
         work.exec("CREATE TABLE IF NOT EXISTS tossaro_schema (version integer NOT NULL)");
         const pqxx::result version = work.exec("SELECT version FROM tossaro_schema");
         const int at = version.empty() ? 0 : version[0][0].as<int>();
         if (at > kSchemaVersion)
            throw StoreError("its schema is of version " + std::to_string(at) +
                             ", newer than this server's " + std::to_string(kSchemaVersion));
         for (int next = at; next < kSchemaVersion; next++)
            work.exec(kMigrations[next]);
         work.exec("DELETE FROM tossaro_schema");
         work.exec_params("INSERT INTO tossaro_schema VALUES ($1)", std::max(at, kSchemaVersion));
         return 0;
      });
   }

   Placed add(const Run &given, const std::string &digest, const std::string &play,
              const Bytes &replay, Addition *how) override
   {
      return use([&](pqxx::work &work) {
         // Another server may add the same run meanwhile: the unique
         // digests decide, and the run that is there is found after.
         const pqxx::result inserted = work.exec_params(
            "INSERT INTO runs (id, digest, play, name, score, ticks, played, submitted, replay)"
            " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT DO NOTHING RETURNING seq",
            given.id, digest, play, given.name, given.score, int64_t(given.ticks), given.played,
            given.submitted, binary(replay));
         *how = Addition::New;
         if (!inserted.empty()) {
            tally(work, given.score, 1);
            return placed(
               work, work.exec_params1(std::string(kRunColumns) + "WHERE digest = $1", digest));
         }
         const pqxx::result same =
            work.exec_params(std::string(kRunColumns) + "WHERE digest = $1", digest);
         *how = same.empty() ? Addition::SamePlay : Addition::SameBytes;
         if (!same.empty())
            return placed(work, same[0]);
         return placed(work, work.exec_params1(std::string(kRunColumns) + "WHERE play = $1", play));
      });
   }

   int64_t digestPlays(const PlayOf &playOf) override
   {
      return use([&](pqxx::work &work) {
         // Servers starting together digest one at a time.
         work.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
         int64_t given = 0;
         for (const pqxx::row &row :
              work.exec("SELECT seq, replay FROM runs WHERE play IS NULL ORDER BY seq")) {
            const pqxx::binarystring bytes(row[1]);
            const std::string play = playOf(Bytes(bytes.data(), bytes.data() + bytes.size()));
            if (play.empty())
               continue;
            given += work
                        .exec_params("UPDATE runs SET play = $1 WHERE seq = $2 AND NOT EXISTS"
                                     " (SELECT 1 FROM runs WHERE play = $1)",
                                     play, row[0].as<int64_t>())
                        .affected_rows();
         }
         return given;
      });
   }

   std::vector<Placed> top(int limit, int64_t offset) override
   {
      return use([&](pqxx::work &work) {
         const int64_t of = countIn(work);
         std::vector<Placed> runs;
         for (const pqxx::row &row : work.exec_params(
                 std::string(kRunColumns) +
                    "WHERE hidden IS NULL ORDER BY score DESC, seq LIMIT $1 OFFSET $2",
                 limit, offset))
            runs.push_back({runOf(row), offset + int64_t(runs.size()) + 1, of});
         return runs;
      });
   }

   int64_t count() override
   {
      return use([&](pqxx::work &work) { return countIn(work); });
   }

   std::optional<Placed> find(const std::string &id) override
   {
      return use([&](pqxx::work &work) -> std::optional<Placed> {
         const pqxx::result row =
            work.exec_params(std::string(kRunColumns) + "WHERE id = $1 AND hidden IS NULL", id);
         if (row.empty())
            return std::nullopt;
         return placed(work, row[0]);
      });
   }

   std::optional<Bytes> replay(const std::string &id, bool hiddenToo) override
   {
      return blob(hiddenToo ? "SELECT replay FROM runs WHERE id = $1"
                            : "SELECT replay FROM runs WHERE id = $1 AND hidden IS NULL",
                  id);
   }

   std::optional<Bytes> clip(const std::string &id) override
   {
      return blob("SELECT gif FROM clips JOIN runs USING (seq) WHERE id = $1 AND hidden IS NULL",
                  id);
   }

   void keepClip(const std::string &id, const Bytes &gif) override
   {
      use([&](pqxx::work &work) {
         return work.exec_params(
            "INSERT INTO clips (seq, gif) SELECT seq, $1 FROM runs WHERE id = $2"
            " ON CONFLICT (seq) DO UPDATE SET gif = excluded.gif",
            binary(gif), id);
      });
   }

   std::vector<std::string> withoutClip(int limit) override
   {
      return use([&](pqxx::work &work) {
         std::vector<std::string> ids;
         for (const pqxx::row &row : work.exec_params(
                 "SELECT id FROM runs WHERE hidden IS NULL"
                 " AND seq NOT IN (SELECT seq FROM clips) ORDER BY score DESC, seq LIMIT $1",
                 limit))
            ids.push_back(row[0].as<std::string>());
         return ids;
      });
   }

   bool hide(const std::string &id, const std::string &reason) override
   {
      return setHidden(id, &reason);
   }

   bool unhide(const std::string &id) override { return setHidden(id, nullptr); }

   std::vector<HiddenRun> hidden() override
   {
      return use([](pqxx::work &work) {
         std::vector<HiddenRun> runs;
         for (const pqxx::row &row :
              work.exec("SELECT seq, id, name, score, ticks, played, submitted, false, hidden"
                        " FROM runs WHERE hidden IS NOT NULL ORDER BY seq"))
            runs.push_back({runOf(row), row[8].as<std::string>()});
         return runs;
      });
   }

   bool writable() override
   {
      try {
         return use([](pqxx::work &work) {
            work.exec_params("INSERT INTO health (id, at) VALUES (1, $1)"
                             " ON CONFLICT (id) DO UPDATE SET at = excluded.at",
                             int64_t(time(nullptr)));
            return true;
         });
      } catch (const StoreError &) {
         return false;
      }
   }

private:
   // Runs `body` in a transaction on a connection of its own, committed
   // when it returns. A failure of the database is a StoreError; a
   // connection that broke is let go, and a new one made for the next.
   template <typename Body>
   auto use(Body body) -> decltype(body(std::declval<pqxx::work &>()))
   {
      std::unique_ptr<pqxx::connection> connection = take();
      try {
         pqxx::work work(*connection);
         auto result = body(work);
         work.commit();
         give(std::move(connection));
         return result;
      } catch (const pqxx::broken_connection &error) {
         release();
         throw StoreError(error.what());
      } catch (const StoreError &) {
         give(std::move(connection));
         throw;
      } catch (const std::exception &error) {
         give(std::move(connection));
         throw StoreError(error.what());
      }
   }

   std::unique_ptr<pqxx::connection> take()
   {
      std::unique_lock<std::mutex> hold(mutex_);
      ready_.wait(hold, [this] { return !idle_.empty() || made_ < kConnections; });
      if (!idle_.empty()) {
         auto connection = std::move(idle_.back());
         idle_.pop_back();
         return connection;
      }
      made_++;
      hold.unlock();
      try {
         return std::make_unique<pqxx::connection>(connection_);
      } catch (const std::exception &error) {
         release();
         throw StoreError(error.what());
      }
   }

   void give(std::unique_ptr<pqxx::connection> connection)
   {
      std::lock_guard<std::mutex> hold(mutex_);
      idle_.push_back(std::move(connection));
      ready_.notify_one();
   }

   // A connection that is gone, so that another may be made.
   void release()
   {
      std::lock_guard<std::mutex> hold(mutex_);
      made_--;
      ready_.notify_one();
   }

   // Counts `change` more (or fewer) runs of `score` on the board.
   static void tally(pqxx::work &work, int32_t score, int64_t change)
   {
      work.exec_params("INSERT INTO score_counts (score, runs) VALUES ($1, $2)"
                       " ON CONFLICT (score) DO UPDATE SET runs = score_counts.runs + $2",
                       score, change);
      work.exec_params("UPDATE tally SET runs = runs + $1", change);
   }

   // Hides the run with the reason, or shows it with none; the tallies
   // change only when the run comes or goes. The run's row is locked, so
   // that two servers cannot count one change twice.
   bool setHidden(const std::string &id, const std::string *reason)
   {
      return use([&](pqxx::work &work) {
         const pqxx::result row =
            work.exec_params("SELECT score, hidden IS NULL FROM runs WHERE id = $1 FOR UPDATE", id);
         if (row.empty())
            return false;
         const bool shown = row[0][1].as<bool>();
         if (reason)
            work.exec_params("UPDATE runs SET hidden = $1 WHERE id = $2", *reason, id);
         else
            work.exec_params("UPDATE runs SET hidden = NULL WHERE id = $1", id);
         if (shown == (reason != nullptr))
            tally(work, row[0][0].as<int32_t>(), reason ? -1 : 1);
         return true;
      });
   }

   static int64_t countIn(pqxx::work &work)
   {
      return work.exec1("SELECT runs FROM tally")[0].as<int64_t>();
   }

   // The run on the row, with its place now: the runs of better scores,
   // from their tallies, and those of its score submitted before it.
   static Placed placed(pqxx::work &work, const pqxx::row &row)
   {
      const int64_t rank =
         work
            .exec_params1("SELECT (SELECT coalesce(sum(runs), 0) FROM score_counts"
                          " WHERE score > $1) + (SELECT count(*) FROM runs WHERE score = $1"
                          " AND seq <= $2 AND hidden IS NULL)",
                          row[3].as<int32_t>(), row[0].as<int64_t>())[0]
            .as<int64_t>();
      return {runOf(row), rank, countIn(work)};
   }

   std::optional<Bytes> blob(const char *sql, const std::string &id)
   {
      return use([&](pqxx::work &work) -> std::optional<Bytes> {
         const pqxx::result row = work.exec_params(sql, id);
         if (row.empty())
            return std::nullopt;
         const pqxx::binarystring bytes(row[0][0]);
         return Bytes(bytes.data(), bytes.data() + bytes.size());
      });
   }

   std::string connection_;
   std::mutex mutex_;
   std::condition_variable ready_;
   std::vector<std::unique_ptr<pqxx::connection>> idle_;
   size_t made_ = 0;
};

}  // namespace

std::unique_ptr<Store> openPostgresStore(const std::string &connection, std::string *problem)
{
   auto store = std::make_unique<PostgresStore>(connection);
   try {
      store->migrate();
   } catch (const StoreError &error) {
      std::string why = error.what();
      while (!why.empty() && why.back() == '\n')
         why.pop_back();
      // libpq's messages run over lines; the server says one.
      for (char &c : why)
         c = c == '\n' ? ' ' : c;
      *problem = "PostgreSQL: " + why;
      return nullptr;
   }
   return store;
}
