#include "files/say.h"

namespace {

// The length of the UTF-8 sequence at text[at], and its code point in
// `code`; 0 when no whole, shortest sequence starts there.
size_t sequenceAt(const std::string &text, size_t at, unsigned *code)
{
   const unsigned lead = static_cast<unsigned char>(text[at]);
   size_t length;
   unsigned least;
   if (lead < 0x80) {
      *code = lead;
      return 1;
   } else if (lead >= 0xc2 && lead < 0xe0) {
      length = 2, least = 0x80, *code = lead & 0x1f;
   } else if (lead >= 0xe0 && lead < 0xf0) {
      length = 3, least = 0x800, *code = lead & 0x0f;
   } else if (lead >= 0xf0 && lead < 0xf5) {
      length = 4, least = 0x10000, *code = lead & 0x07;
   } else {
      return 0;
   }
   if (at + length > text.size())
      return 0;
   for (size_t i = 1; i < length; i++) {
      const unsigned next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xc0) != 0x80)
         return 0;
      *code = *code << 6 | (next & 0x3f);
   }
   if (*code < least || *code > 0x10ffff || (*code >= 0xd800 && *code < 0xe000))
      return 0;
   return length;
}

}  // namespace

std::string printable_text(const std::string &text)
{
   std::string shown;
   unsigned code;
   for (size_t at = 0, length; at < text.size(); at += length) {
      length = sequenceAt(text, at, &code);
      if (code == '\\' && length == 1) {
         shown += "\\\\";
      } else if (length > 0 && code >= 0x20 && code != 0x7f && (code < 0x80 || code >= 0xa0)) {
         shown.append(text, at, length);
      } else {
         // A control shows all its bytes; a byte that begins no sequence,
         // only itself.
         length = length ? length : 1;
         for (size_t i = 0; i < length; i++) {
            char escape[5];
            snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[at + i]));
            shown += escape;
         }
      }
   }
   return shown;
}

bool is_utf8(const std::string &text)
{
   unsigned code;
   for (size_t at = 0, length; at < text.size(); at += length) {
      length = sequenceAt(text, at, &code);
      if (length == 0)
         return false;
   }
   return true;
}

void say(const std::string &line, FILE *to)
{
   say_as("tossaro", line, to);
}

void say_as(const char *program, const std::string &line, FILE *to)
{
   fprintf(to, "%s: %s\n", program, printable_text(line).c_str());
}
