#include "audio/engine/module_decoder.h"

#include "audio/api/bass.h"
#include "audio/engine/http_limits_abi.h"

namespace audio::core {

// The module reports the C interface's own error codes.
static_assert(QC_OK == BASS_OK && QC_ERROR_MEM == BASS_ERROR_MEM &&
              QC_ERROR_FILEOPEN == BASS_ERROR_FILEOPEN && QC_ERROR_FORMAT == BASS_ERROR_FORMAT &&
              QC_ERROR_SSL == BASS_ERROR_SSL && QC_ERROR_NONET == BASS_ERROR_NONET &&
              QC_ERROR_NOTAVAIL == BASS_ERROR_NOTAVAIL && QC_ERROR_TIMEOUT == BASS_ERROR_TIMEOUT &&
              QC_ERROR_FILEFORM == BASS_ERROR_FILEFORM && QC_ERROR_CODEC == BASS_ERROR_CODEC &&
              QC_ERROR_ENDED == BASS_ERROR_ENDED && QC_ERROR_UNKNOWN == BASS_ERROR_UNKNOWN);

namespace {

void appendText(void* context, int32_t, const char* text, size_t length) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(text, length);
}

void keepText(void* context, int32_t, const char* text, size_t length) {
    static_cast<std::string*>(context)->assign(text, length);
}

void setField(void* context, int32_t kind, const char* text, size_t length) {
    auto& fields = *static_cast<tags::TagFields*>(context);
    std::string* const ordered[] = {&fields.artist, &fields.album,   &fields.year,
                                    &fields.disc,   &fields.track,   &fields.title,
                                    &fields.genre,  &fields.comment, &fields.composer};
    const int32_t index = kind - QC_TEXT_ARTIST;
    if (index >= 0 && index < static_cast<int32_t>(std::size(ordered)))
        ordered[index]->assign(text, length);
}

void takeFrames(void* context, const float* samples, size_t frames) {
    static_cast<std::vector<float>*>(context)->assign(samples, samples + frames * 2);
}

} // namespace

// The abort check of a network decoder: it outlives the open call, as the
// decoder asks it again while it waits (seeks).
struct ModuleDecoder::Abort {
    explicit Abort(net::HttpLimits given) : limits(std::move(given)), abi(toAbi(limits)) {}
    net::HttpLimits limits;
    QcHttpLimits abi;
};

std::unique_ptr<ModuleDecoder> ModuleDecoder::openFile(const QcCodecTable& table,
                                                       const std::string& path, int* error) {
    int32_t code = QC_OK;
    QcDecoder* handle = table.openFile(path.data(), path.size(), &code);
    *error = code;
    return handle ? std::unique_ptr<ModuleDecoder>(new ModuleDecoder(table, handle, nullptr))
                  : nullptr;
}

std::unique_ptr<ModuleDecoder> ModuleDecoder::openUrl(const QcCodecTable& table,
                                                      const std::string& url, bool followPlaylists,
                                                      net::HttpLimits limits, int* error) {
    auto abort = std::make_unique<Abort>(std::move(limits));
    int32_t code = QC_OK;
    QcDecoder* handle =
        table.openUrl(url.data(), url.size(), followPlaylists ? 1 : 0, &abort->abi, &code);
    *error = code;
    return handle
               ? std::unique_ptr<ModuleDecoder>(new ModuleDecoder(table, handle, std::move(abort)))
               : nullptr;
}

ModuleDecoder::ModuleDecoder(const QcCodecTable& table, QcDecoder* handle,
                             std::unique_ptr<Abort> abort)
    : table_(table), handle_(handle), abort_(std::move(abort)) {
    table_.decoderInfo(handle_, &info_);
}

ModuleDecoder::~ModuleDecoder() {
    // First: the module's threads may call the handler and the abort check
    // until the decoder is closed.
    table_.closeDecoder(handle_);
}

DecodedFormat ModuleDecoder::format() const {
    return {info_.sampleRate, info_.channels};
}

int64_t ModuleDecoder::lengthFrames() const {
    return info_.lengthFrames;
}

bool ModuleDecoder::isNetwork() const {
    return info_.isNetwork != 0;
}

int ModuleDecoder::decode(float* out, int maxFrames) {
    return table_.decode(handle_, out, maxFrames);
}

bool ModuleDecoder::seek(int64_t frame) {
    return table_.seek(handle_, frame) != 0;
}

void ModuleDecoder::cancel() {
    table_.cancel(handle_);
}

std::vector<std::string> ModuleDecoder::texts(int32_t which) const {
    std::vector<std::string> texts;
    table_.decoderTexts(handle_, which, &appendText, &texts);
    return texts;
}

std::vector<std::string> ModuleDecoder::comments() const {
    return texts(QC_TEXTS_COMMENTS);
}

std::vector<std::string> ModuleDecoder::httpHeaders() const {
    return texts(QC_TEXTS_HTTP);
}

std::vector<std::string> ModuleDecoder::icyHeaders() const {
    return texts(QC_TEXTS_ICY);
}

std::string ModuleDecoder::metadata() const {
    std::string text;
    table_.decoderTexts(handle_, QC_TEXTS_METADATA, &keepText, &text);
    return text;
}

tags::TagFields ModuleDecoder::tags() const {
    tags::TagFields fields;
    table_.decoderTexts(handle_, QC_TEXTS_TAGS, &setField, &fields);
    for (auto field : {&tags::TagFields::title, &tags::TagFields::artist, &tags::TagFields::album,
                       &tags::TagFields::year, &tags::TagFields::track}) {
        if (!(given_.*field).empty())
            fields.*field = given_.*field;
    }
    return fields;
}

bool ModuleDecoder::narrowToSection(int64_t start, int64_t end) {
    const bool fits = table_.narrowToSection(handle_, start, end) != 0;
    table_.decoderInfo(handle_, &info_);
    return fits;
}

void ModuleDecoder::setEventHandler(std::function<void(DecoderEvent)> handler) {
    handler_ = std::move(handler);
    const QcEventHandler relay = [](void* context, int32_t event) {
        static_cast<ModuleDecoder*>(context)->handler_(event == QC_EVENT_METADATA_CHANGED
                                                           ? DecoderEvent::MetadataChanged
                                                           : DecoderEvent::OggStreamChanged);
    };
    table_.setEventHandler(handle_, handler_ ? relay : nullptr, this);
}

ModuleConverter::ModuleConverter(const QcCodecTable& table, int inRate, int inChannels, int outRate)
    : table_(table), handle_(table.openConverter(inRate, inChannels, outRate)) {}

ModuleConverter::~ModuleConverter() {
    table_.closeConverter(handle_);
}

bool ModuleConverter::valid() const {
    return table_.converterValid(handle_) != 0;
}

std::size_t ModuleConverter::maxOutputFrames(std::size_t inFrames) const {
    return table_.maxOutputFrames(handle_, inFrames);
}

void ModuleConverter::convert(const float* in, std::size_t inFrames, std::vector<float>& out) {
    out.clear();
    table_.convert(handle_, in, inFrames, &takeFrames, &out);
}

void ModuleConverter::flush(std::vector<float>& out) {
    out.clear();
    table_.flush(handle_, &takeFrames, &out);
}

void ModuleConverter::reset() {
    table_.resetConverter(handle_);
}

std::string readFilePicture(const QcCodecTable& table, const std::string& path) {
    std::string picture;
    table.readFilePicture(path.data(), path.size(), &keepText, &picture);
    return picture;
}

std::string readEmbeddedCueSheet(const QcCodecTable& table, const std::string& path) {
    std::string sheet;
    table.readEmbeddedCueSheet(path.data(), path.size(), &keepText, &sheet);
    return sheet;
}

} // namespace audio::core
