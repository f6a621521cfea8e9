// What the server remembers of each of many keys (an address's last
// submissions and the play it had checked, a line it said lately), for at
// most so many keys: past the most, the one heard from longest ago is
// forgotten first, so that a flood of new addresses takes bounded memory.
// Not locked: its owner locks.
#ifndef TOSSARO_SERVER_BOUNDED_TABLE_H
#define TOSSARO_SERVER_BOUNDED_TABLE_H

#include <iterator>
#include <list>
#include <string>
#include <unordered_map>

template <typename Entry>
class BoundedTable {
public:
   explicit BoundedTable(size_t most) : most_(most) {}

   // The key's entry, made when new (forgetting the quietest when the
   // table is full); heard from now.
   Entry &heard(const std::string &key)
   {
      auto at = entries_.find(key);
      if (at != entries_.end()) {
         order_.splice(order_.end(), order_, at->second.place);
         return at->second.entry;
      }
      if (entries_.size() >= most_)
         forget(entries_.find(order_.front()));
      order_.push_back(key);
      return entries_.emplace(key, Held{Entry(), std::prev(order_.end())}).first->second.entry;
   }

   // Forgets every key whose entry `done` says is done with.
   template <typename Done>
   void forgetIf(Done done)
   {
      for (auto k = entries_.begin(); k != entries_.end();) {
         const auto next = std::next(k);
         if (done(k->second.entry))
            forget(k);
         k = next;
      }
   }

   size_t size() const { return entries_.size(); }

private:
   struct Held {
      Entry entry;
      std::list<std::string>::iterator place;  // in order_
   };

   void forget(typename std::unordered_map<std::string, Held>::iterator at)
   {
      order_.erase(at->second.place);
      entries_.erase(at);
   }

   size_t most_;
   std::unordered_map<std::string, Held> entries_;
   std::list<std::string> order_;  // the one heard from longest ago first
};

#endif
