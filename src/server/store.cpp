#include "server/store.h"

std::unique_ptr<Store> openStore(const std::string &database, std::string *problem)
{
   // "postgresql://..." and "postgres://..." are libpq's URIs; after
   // "postgresql:" alone comes libpq's "host=... dbname=..." form.
   if (database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0)
      return openPostgresStore(database, problem);
   if (database.rfind("postgresql:", 0) == 0)
      return openPostgresStore(database.substr(11), problem);
   return openSqliteStore(database.substr(database.find(':') + 1), problem);
}
