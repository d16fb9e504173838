#include "settings/ini_file.h"

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/module_path.h"

#include <QFile>
#include <QStringDecoder>
#include <cmath>

namespace settings {

namespace {

const QByteArray kSection("Quaverly");
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// One line of the file: [begin, contentEnd) is its text without the line
// ending, next is where the following line starts.
struct Line {
    qsizetype begin = 0;
    qsizetype contentEnd = 0;
    qsizetype next = 0;
};

// What a scan of the file found for one key.
struct KeyLocation {
    bool sectionFound = false;
    Line keyLine; // valid when keyFound
    bool keyFound = false;
    QByteArray value;        // trimmed value of the key
    qsizetype insertAt = -1; // after the section's last non-blank line
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(QByteArrayView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.sliced(first, last - first).toByteArray();
}

Line lineAt(const QByteArray& content, qsizetype begin) {
    const qsizetype newline = content.indexOf('\n', begin);
    Line line;
    line.begin = begin;
    line.next = newline < 0 ? content.size() : newline + 1;
    line.contentEnd = newline < 0 ? content.size() : newline;
    if (line.contentEnd > begin && content[line.contentEnd - 1] == '\r')
        --line.contentEnd;
    return line;
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a "[name]" header line, or a null array for other lines.
QByteArray sectionName(const QByteArray& trimmed) {
    if (!trimmed.startsWith('['))
        return QByteArray();
    const qsizetype close = trimmed.indexOf(']');
    const QByteArray name = trimBlanks(trimmed.mid(1, close < 0 ? -1 : close - 1));
    return name.isNull() ? QByteArray("") : name;
}

bool isComment(const QByteArray& trimmed) {
    return trimmed.startsWith(';') || trimmed.startsWith('#');
}

// Looks at one line inside the section; returns true when it is the key.
bool matchKeyLine(const QByteArray& trimmed, const QByteArray& key, QByteArray& value) {
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0 || isComment(trimmed) || !sameName(trimBlanks(trimmed.left(equals)), key))
        return false;
    value = trimBlanks(QByteArrayView(trimmed).sliced(equals + 1));
    return true;
}

KeyLocation locateKey(const QByteArray& content, const QByteArray& key) {
    KeyLocation found;
    bool inSection = false;
    qsizetype pos = content.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < content.size()) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const QByteArray trimmed =
            trimBlanks(QByteArrayView(content).sliced(line.begin, line.contentEnd - line.begin));
        const QByteArray section = sectionName(trimmed);
        if (!section.isNull()) {
            if (inSection)
                break;
            inSection = sameName(section, kSection);
            found.sectionFound = inSection;
            found.insertAt = line.next;
            continue;
        }
        if (!inSection)
            continue;
        if (matchKeyLine(trimmed, key, found.value)) {
            found.keyFound = true;
            found.keyLine = line;
            break;
        }
        if (!trimmed.isEmpty())
            found.insertAt = line.next;
    }
    return found;
}

QByteArray readFileOrEmpty(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray lineEndingOf(const QByteArray& content) {
    const qsizetype newline = content.indexOf('\n');
    return newline > 0 && content[newline - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

// A line break first when `at` follows a last line that has none. A last line
// cut after its CR only needs the LF: another CR would join its value.
QByteArray separatorBefore(const QByteArray& content, qsizetype at, const QByteArray& eol) {
    if (at == 0 || content[at - 1] == '\n')
        return QByteArray();
    return content[at - 1] == '\r' ? QByteArray("\n") : eol;
}

QByteArray withKey(const QByteArray& content, const QByteArray& key, const QByteArray& value) {
    const KeyLocation found = locateKey(content, key);
    const QByteArray eol = lineEndingOf(content);
    const QByteArray keyLine = key + '=' + value;
    QByteArray result = content;
    if (found.keyFound) {
        const Line& line = found.keyLine;
        return result.replace(line.begin, line.contentEnd - line.begin, keyLine);
    }
    if (found.sectionFound) {
        const qsizetype at = found.insertAt;
        return result.insert(at, separatorBefore(content, at, eol) + keyLine + eol);
    }
    return result + separatorBefore(content, content.size(), eol) + '[' + kSection + ']' + eol +
           keyLine + eol;
}

// atoi: optional sign, then digits up to the first other character.
int parseLeadingInt(const QByteArray& text) {
    qsizetype pos = 0;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        ++pos;
    quint32 magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        magnitude = magnitude * 10u + static_cast<quint32>(text[pos] - '0');
    return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

QString cutToMaxLength(const QString& text) {
    if (text.size() <= IniFile::kMaxStringLength)
        return text;
    qsizetype length = IniFile::kMaxStringLength;
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate())
        --length;
    return text.left(length);
}

// UTF-8, or CP932 when hand-edited; a value's own leading U+FEFF is text, not
// a byte order mark to drop.
QString decodeValue(const QByteArray& value) {
    if (!platform::isValidUtf8(value.constData(), static_cast<size_t>(value.size())))
        return platform::decodeAnsi(value);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8(value);
}

bool isValidKey(const QByteArray& key) {
    const QByteArray trimmed = trimBlanks(key);
    return !trimmed.isEmpty() && trimmed == key && !key.contains('=') && !key.contains('\n') &&
           !key.contains('\r') && sectionName(key).isNull() && !isComment(key);
}

} // namespace

IniFile::IniFile() : path_(platform::settingsFilePath()) {}

IniFile::IniFile(QString path) : path_(std::move(path)) {}

bool IniFile::readValue(const QString& key, QByteArray& value) const {
    const KeyLocation found = locateKey(readFileOrEmpty(path_), key.toUtf8());
    value = found.value;
    return found.keyFound;
}

bool IniFile::writeValue(const QString& key, const QByteArray& value) const {
    const QByteArray keyBytes = key.toUtf8();
    if (!isValidKey(keyBytes) || value.contains('\n') || value.contains('\r'))
        return false;
    const QByteArray old = readFileOrEmpty(path_);
    const QByteArray updated = withKey(old, keyBytes, value);
    return (updated == old && QFile::exists(path_)) || platform::replaceFileContent(path_, updated);
}

int IniFile::ReadInt(const QString& key, int defaultValue) const {
    QByteArray value;
    return readValue(key, value) ? parseLeadingInt(value) : defaultValue;
}

QString IniFile::ReadString(const QString& key, const QString& defaultValue) const {
    QByteArray value;
    return cutToMaxLength(readValue(key, value) ? decodeValue(value) : defaultValue);
}

double IniFile::ReadReal(const QString& key) const {
    QByteArray value;
    if (!readValue(key, value))
        return 0.0;
    bool ok = false;
    const double number = QString::fromLatin1(value).toDouble(&ok);
    return ok && std::isfinite(number) ? number : 0.0;
}

bool IniFile::WriteInt(const QString& key, int value) const {
    return writeValue(key, QByteArray::number(value));
}

bool IniFile::WriteString(const QString& key, const QString& text) const {
    return writeValue(key, text.toUtf8());
}

} // namespace settings
