#include "playback/track_title.h"

#include "audio/api/tags.h"
#include "platform/code_page.h"
#include "playback/playback_engine.h"

#include <QLabel>

namespace playback {

QString LengthSuffix(int seconds) {
    if (seconds <= 0)
        return QString();
    return QString::asprintf("(%d:%02d)", seconds / 60, seconds % 60);
}

bool ExtractStreamTitle(const QByteArray& metadata, QByteArray* title) {
    static const QByteArray opening = "StreamTitle='";
    const qsizetype start = metadata.indexOf(opening);
    if (start < 0)
        return false;
    const qsizetype textStart = start + opening.size();
    const qsizetype end = metadata.indexOf("';", textStart);
    if (end < 0)
        return false;
    *title = metadata.mid(textStart, end - textStart);
    return true;
}

bool StationTitleText(const QByteArray& metadata, QString* text) {
    QByteArray title;
    if (!ExtractStreamTitle(metadata, &title))
        return false;
    *text = CutToUnits(platform::readableAnsi(title), kTitleUnits);
    return true;
}

namespace {

bool TakeComment(const QByteArray& comment, const char* name, QByteArray* value) {
    const QByteArray prefix(name);
    if (comment.size() < prefix.size() ||
        qstrnicmp(comment.constData(), prefix.constData(), static_cast<size_t>(prefix.size())) != 0)
        return false;
    *value = comment.mid(prefix.size());
    return true;
}

} // namespace

QByteArray ComposeOggTitle(const std::vector<QByteArray>& comments) {
    QByteArray artist, album, title;
    bool hasArtist = false, hasAlbum = false, hasTitle = false;
    for (const QByteArray& comment : comments) {
        hasArtist |= TakeComment(comment, "Artist=", &artist);
        hasAlbum |= TakeComment(comment, "Album=", &album);
        hasTitle |= TakeComment(comment, "Title=", &title);
    }
    QByteArray text;
    if (hasArtist)
        text = artist;
    if (hasAlbum)
        text += " - " + album;
    if (hasTitle)
        text += " - " + title;
    return CutUtf8(text, kOggTitleBytes);
}

QString CutToUnits(const QString& text, int maxUnits) {
    if (text.size() <= maxUnits)
        return text;
    int length = maxUnits;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

QByteArray CutUtf8(const QByteArray& bytes, int maxBytes) {
    if (bytes.size() <= maxBytes)
        return bytes;
    int length = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
        --length;
    return bytes.left(length);
}

void PlaybackEngine::ShowTrackTitle() {
    const char* tags = TAGS_Read(stream_, kTitleTagFormat);
    const QString tagText = QString::fromUtf8(tags ? tags : "");
    ShowTitle(tagText + LengthSuffix(LengthSeconds()));
}

void PlaybackEngine::ShowTitle(const QString& text) {
    playingTitle_ = text;
    titleDisplay_->setText(text);
}

void PlaybackEngine::OnStreamMeta() {
    ShowTitle(LiveTitle());
}

QString PlaybackEngine::LiveTitle() const {
    const char* meta = BASS_ChannelGetTags(stream_, BASS_TAG_META);
    if (meta) {
        QString title;
        StationTitleText(QByteArray(meta), &title);
        return title;
    }
    const char* ogg = BASS_ChannelGetTags(stream_, BASS_TAG_OGG);
    if (!ogg)
        return QString();
    std::vector<QByteArray> comments;
    for (const char* entry = ogg; *entry; entry += qstrlen(entry) + 1)
        comments.emplace_back(entry);
    return CutToUnits(QString::fromUtf8(ComposeOggTitle(comments)), kTitleUnits);
}

} // namespace playback
