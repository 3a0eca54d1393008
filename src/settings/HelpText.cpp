#include "settings/HelpText.h"

#include <QFile>
#include <QStringDecoder>

namespace {
// Instructions run to a few pages; a file of many megabytes is something else by mistake and
// would only freeze the text box.
constexpr qint64 MostHelpBytes = 4 * 1024 * 1024;
}  // namespace

std::optional<QString> readHelpText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > MostHelpBytes)
        return std::nullopt;
    const QByteArray bytes = file.read(MostHelpBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MostHelpBytes)
        return std::nullopt;

    // Our own file is UTF-8; one written with an old editor in an 8-bit code page still shows,
    // one character per byte.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}
