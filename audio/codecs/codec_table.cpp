// The codec module's entry: the table of what the rest of the library and
// the player call.
#include "audio/codecs/codec_table.h"

#include "audio/codecs/tags/embedded_cue.h"
#include "audio/codecs/tags/tag_fields.h"

extern "C" const audio::CodecTable* quaverly_codec_table() {
    static const audio::CodecTable table{
        &audio::Decoder::openFile,         &audio::Decoder::openUrl,
        &audio::core::makeFormatConverter, &audio::net::fetchDocument,
        &audio::net::probeHeaders,         &audio::tags::readFilePicture,
        &audio::tags::readEmbeddedCueSheet};
    return &table;
}
