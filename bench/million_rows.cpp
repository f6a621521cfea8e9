#include "million_rows.h"

#include <sqlite3.h>

#include <pqxx/pqxx>

namespace {

// The runs' columns, from a number k of the series: scores in steps of 5
// over a million points, each run a play of its own, submitted a second
// apart.
const char kSqliteRows[] =
   "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < ?1)"
   " INSERT INTO runs (id, digest, play, name, score, ticks, played, submitted, replay)"
   " SELECT printf('f%015x', k), 'bench digest ' || k, 'bench play ' || k, 'Bench ' || k,"
   " (k * 7919) % 200000 * 5, 5000, 1733600000, 1733600000 + k, x'00' FROM n";
const char kPostgresRows[] =
   "INSERT INTO runs (id, digest, play, name, score, ticks, played, submitted, replay)"
   " SELECT 'f' || lpad(to_hex(k), 15, '0'), 'bench digest ' || k, 'bench play ' || k,"
   " 'Bench ' || k, (k * 7919) % 200000 * 5, 5000, 1733600000, 1733600000 + k, '\\x00'::bytea"
   " FROM generate_series(1, $1::bigint) AS k";
const char kTallies[] =
   "DELETE FROM tally; INSERT INTO tally SELECT 1, count(*) FROM runs WHERE hidden IS NULL;"
   "DELETE FROM score_counts; INSERT INTO score_counts"
   " SELECT score, count(*) FROM runs WHERE hidden IS NULL GROUP BY score";

std::string addSqliteRows(const std::string &path, int64_t rows)
{
   sqlite3 *db = nullptr;
   std::string problem;
   sqlite3_stmt *insert = nullptr;
   if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
       sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
       sqlite3_prepare_v2(db, kSqliteRows, -1, &insert, nullptr) != SQLITE_OK ||
       sqlite3_bind_int64(insert, 1, rows) != SQLITE_OK || sqlite3_step(insert) != SQLITE_DONE ||
       sqlite3_exec(db, kTallies, nullptr, nullptr, nullptr) != SQLITE_OK ||
       sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      problem = path + ": " + sqlite3_errmsg(db);
   sqlite3_finalize(insert);
   sqlite3_close(db);
   return problem;
}

std::string addPostgresRows(const std::string &connection, int64_t rows)
{
   try {
      pqxx::connection db(connection);
      pqxx::work work(db);
      work.exec_params(kPostgresRows, rows);
      work.exec(kTallies);
      work.commit();
      return "";
   } catch (const std::exception &error) {
      return error.what();
   }
}

}  // namespace

std::string addRows(const std::string &database, int64_t rows)
{
   if (database.rfind("sqlite:", 0) == 0)
      return addSqliteRows(database.substr(7), rows);
   return addPostgresRows(database.rfind("postgresql:", 0) == 0 &&
                                database.rfind("postgresql://", 0) != 0
                             ? database.substr(11)
                             : database,
                          rows);
}
