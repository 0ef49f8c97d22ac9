#pragma once
// Two small logs the dialog tests list, written as UTF-8 text: separators, a table, and the
// word 名前 that a typed separator finds.
#include <string>

#include "platform/Encoding.h"

namespace testing_support {

inline std::string Sjis(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}
inline const std::string kTextA =
    "<HTML><BODY>\r\n<dl>一</dl><HR><dl>二 名前</dl><HR><TABLE><TR><TD>x1</TD><TD>x2</TD></TR>"
    "<TR><TD>y</TD></TR></TABLE><HR><dl>四</dl>\r\n</BODY></HTML>\r\n";
inline const std::string kTextB =
    "<HTML><BODY><TABLE><TR><TD>p</TD></TR><TR><TD>q 名前 r</TD><TD>s</TD></TR></TABLE>"
    "<HR>t<HR>u 名前 v</BODY></HTML>";

}  // namespace testing_support
