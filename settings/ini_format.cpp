#include "settings/ini_format.h"

#include <QByteArrayView>

namespace settings::ini {

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

// A "name=value" line of the section; false for comments and other lines.
bool parseKeyLine(const QByteArray& trimmed, KeyValue& entry) {
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0 || isComment(trimmed))
        return false;
    entry.name = trimBlanks(QByteArrayView(trimmed).first(equals));
    entry.value = trimBlanks(QByteArrayView(trimmed).sliced(equals + 1));
    return true;
}

// Calls visit(line, trimmed text) for each line of the first section named
// "Quaverly", up to the next section header, until visit returns true.
// Returns where the section's header line ends, or -1 without the section.
template <class Visit> qsizetype scanSection(const QByteArray& content, Visit visit) {
    qsizetype afterHeader = -1;
    qsizetype pos = content.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < content.size()) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const QByteArray trimmed =
            trimBlanks(QByteArrayView(content).sliced(line.begin, line.contentEnd - line.begin));
        const QByteArray section = sectionName(trimmed);
        if (!section.isNull()) {
            if (afterHeader >= 0)
                break;
            if (sameName(section, kSection))
                afterHeader = line.next;
            continue;
        }
        if (afterHeader >= 0 && visit(line, trimmed))
            break;
    }
    return afterHeader;
}

KeyLocation locateKey(const QByteArray& content, const QByteArray& key) {
    KeyLocation found;
    qsizetype afterLastText = -1;
    const qsizetype afterHeader =
        scanSection(content, [&](const Line& line, const QByteArray& trimmed) {
            KeyValue entry;
            if (parseKeyLine(trimmed, entry) && sameName(entry.name, key)) {
                found.keyFound = true;
                found.keyLine = line;
                return true;
            }
            if (!trimmed.isEmpty())
                afterLastText = line.next;
            return false;
        });
    found.sectionFound = afterHeader >= 0;
    found.insertAt = afterLastText >= 0 ? afterLastText : afterHeader;
    return found;
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

} // namespace

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QList<KeyValue> sectionKeys(const QByteArray& content) {
    QList<KeyValue> keys;
    scanSection(content, [&](const Line&, const QByteArray& trimmed) {
        KeyValue entry;
        if (parseKeyLine(trimmed, entry))
            keys.append(entry);
        return false;
    });
    return keys;
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

bool isValidKey(const QByteArray& key) {
    const QByteArray trimmed = trimBlanks(key);
    return !trimmed.isEmpty() && trimmed == key && !key.contains('=') && !key.contains('\n') &&
           !key.contains('\r') && sectionName(key).isNull() && !isComment(key);
}

} // namespace settings::ini
