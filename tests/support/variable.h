// An environment variable set for as long as a test needs it.
#ifndef TOSSARO_TESTS_SUPPORT_VARIABLE_H
#define TOSSARO_TESTS_SUPPORT_VARIABLE_H

#include <cstdlib>
#include <string>

// Sets a variable, or unsets it for null, until it goes.
class Variable {
public:
   Variable(const char *name, const char *value) : name_(name)
   {
      const char *old = getenv(name);
      had_ = old != nullptr;
      old_ = old ? old : "";
      value ? setenv(name, value, 1) : unsetenv(name);
   }
   ~Variable() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
   Variable(const Variable &) = delete;
   Variable &operator=(const Variable &) = delete;

private:
   const char *name_;
   bool had_;
   std::string old_;
};

#endif
