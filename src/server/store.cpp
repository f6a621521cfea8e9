#include "server/store.h"

std::unique_ptr<Store> openStore(const std::string &database, std::string *problem)
{
   return openSqliteStore(database.substr(database.find(':') + 1), problem);
}
