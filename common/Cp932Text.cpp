#include "Cp932Text.h"

#include "FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace seiran {

namespace {

constexpr auto kCodecName = "windows-31j";

// Stateless: otherwise a lead byte (or lone surrogate) at the very end is held back as pending
// state and silently dropped without setting the error flag.
QStringDecoder makeDecoder()
{
    return QStringDecoder(kCodecName, QStringDecoder::Flag::Stateless);
}

QStringEncoder makeEncoder()
{
    return QStringEncoder(kCodecName, QStringEncoder::Flag::Stateless);
}

bool isAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Failure path only: converts one character at a time to find the first that fails.
int firstUnencodable(QStringView text)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        QStringEncoder encoder = makeEncoder();
        // encode() converts lazily, only when its result becomes a QByteArray.
        [[maybe_unused]] const QByteArray piece = encoder.encode(text.sliced(i, length));
        if (encoder.hasError())
            return int(i);
        i += length;
    }
    return int(text.size());
}

// Failure path only: decodes one character (one byte, or lead and trail byte) at a time.
int firstUndecodable(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = (isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
        QStringDecoder decoder = makeDecoder();
        [[maybe_unused]] const QString piece = decoder.decode(bytes.sliced(i, length));
        if (decoder.hasError())
            return int(i);
        i += length;
    }
    return int(bytes.size());
}

// The line a byte belongs to. CR and LF are never trail bytes in CP932, so they can be counted
// in the raw bytes.
int lineOfByte(QByteArrayView bytes, int index)
{
    int line = 0;
    for (qsizetype i = 0; i < index && i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

} // namespace

std::optional<QByteArray> encodeCp932(QStringView text, int* badIndex)
{
    QStringEncoder encoder = makeEncoder();
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    if (badIndex)
        *badIndex = firstUnencodable(text);
    return std::nullopt;
}

std::optional<QString> decodeCp932(QByteArrayView bytes, int* badIndex)
{
    QStringDecoder decoder = makeDecoder();
    QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return text;
    if (badIndex)
        *badIndex = firstUndecodable(bytes);
    return std::nullopt;
}

TextLines readCp932Lines(const QString& path)
{
    TextLines result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = makeTextFileError(TextFileErrorKind::OpenFailed, path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = makeTextFileError(TextFileErrorKind::ReadFailed, path, file.errorString());
        return result;
    }
    int badIndex = -1;
    const std::optional<QString> text = decodeCp932(bytes, &badIndex);
    if (!text) {
        result.error = makeTextFileError(TextFileErrorKind::InvalidBytes, path, QString());
        result.error.line = lineOfByte(bytes, badIndex);
        return result;
    }
    for (QStringView line : splitTextLines(*text))
        result.lines.append(line.toString());
    return result;
}

TextFileError writeCp932Lines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    qsizetype expected = 0;
    for (const QString& line : lines)
        expected += line.size() + 2;
    bytes.reserve(expected);
    // One converter for the whole file (opening one costs more than most lines); lines of plain
    // ASCII, the bulk of a data file, are the same bytes in CP932 and are copied.
    QStringEncoder encoder = makeEncoder();
    for (qsizetype lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        const QString& line = lines[lineIndex];
        if (isAscii(line)) {
            bytes += line.toLatin1();
            bytes += "\r\n";
            continue;
        }
        const QByteArray encoded = encoder.encode(line);
        if (encoder.hasError()) {
            const int badIndex = firstUnencodable(line);
            TextFileError error = makeTextFileError(TextFileErrorKind::Unencodable, path, QString());
            error.existed = QFileInfo::exists(path);
            error.line = int(lineIndex);
            error.column = badIndex;
            if (badIndex < line.size()) {
                const bool pair = line[badIndex].isHighSurrogate() && badIndex + 1 < line.size()
                    && line[badIndex + 1].isLowSurrogate();
                error.character = line.mid(badIndex, pair ? 2 : 1);
            }
            return error;
        }
        bytes += encoded;
        bytes += "\r\n";
    }

    return replaceFileContents(path, bytes);
}

TextFileError makeTextFileError(TextFileErrorKind kind, const QString& path, const QString& detail)
{
    TextFileError error;
    error.kind = kind;
    error.path = path;
    error.detail = detail;
    return error;
}

std::vector<QStringView> splitTextLines(QStringView text)
{
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.push_back(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.mid(start));
    return lines;
}

} // namespace seiran
