#include "server/player_name.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <vector>

namespace {

// "U+200D".
std::string codePoint(UChar32 c)
{
   char text[16];
   snprintf(text, sizeof text, "U+%04X", unsigned(c));
   return text;
}

}  // namespace

std::string nameProblem(const std::string &name)
{
   if (name.empty())
      return "it is empty";
   UErrorCode status = U_ZERO_ERROR;
   int32_t length = 0;
   u_strFromUTF8(nullptr, 0, &length, name.data(), int32_t(name.size()), &status);
   if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
      return "it is not UTF-8 text";
   std::vector<UChar> text(size_t(length) + 1);
   status = U_ZERO_ERROR;
   u_strFromUTF8(text.data(), length + 1, nullptr, name.data(), int32_t(name.size()), &status);
   if (U_FAILURE(status))
      return "it is not UTF-8 text";
   const UNormalizer2 *nfc = unorm2_getNFCInstance(&status);
   if (U_FAILURE(status) || !unorm2_isNormalized(nfc, text.data(), length, &status) ||
       U_FAILURE(status))
      return "it is not in Unicode's composed form (NFC)";
   int characters = 0;
   UChar32 before = ' ';
   for (int32_t at = 0; at < length;) {
      UChar32 c;
      U16_NEXT(text.data(), at, length, c);
      characters++;
      const int8_t type = u_charType(c);
      if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR)
         return "it holds a control or format character (" + codePoint(c) + ")";
      if (type == U_UNASSIGNED || type == U_PRIVATE_USE_CHAR)
         return "it holds a character no font draws alike (" + codePoint(c) + ")";
      if ((type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR ||
           type == U_PARAGRAPH_SEPARATOR) &&
          c != ' ')
         return "it holds a separator other than the blank";
      if (c == ' ' && (characters == 1 || before == ' '))
         return "it begins with a blank or has two in a row";
      before = c;
   }
   if (before == ' ')
      return "it ends with a blank";
   if (characters > kMostNameCharacters)
      return "it is longer than " + std::to_string(kMostNameCharacters) + " characters";
   return std::string();
}
