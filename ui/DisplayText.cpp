// How the framework shows the texts it is given.
#include "ui/Private.h"

#include "platform/text/text_encoding.h"

namespace uiimpl {

QString Q(const std::string& s) {
    const std::string utf8 = plat::DecodeText(s);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace uiimpl
