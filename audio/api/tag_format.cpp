// The tag format language: %IFV1(x,a), %IFV2(x,a,b), %( %) %% and fields.
#include "audio/common/tag_fields.h"

#include <string_view>

namespace audio::tags {
namespace {

enum class Stop { End, Comma, Close };

// Nesting deeper than this renders the item as text, so hostile formats
// cannot exhaust the stack.
constexpr int kMaxNesting = 64;

class FormatRenderer {
public:
    FormatRenderer(std::string_view format, const TagFields& fields)
        : format_(format), fields_(fields) {}

    std::string render() {
        std::string out;
        renderSequence(out, false);
        return out;
    }

private:
    // Renders up to the end or, inside an argument, up to a ',' or ')' of
    // this level (consumed).
    Stop renderSequence(std::string& out, bool inArgument) {
        while (pos_ < format_.size()) {
            const char c = format_[pos_];
            if (inArgument && (c == ',' || c == ')')) {
                ++pos_;
                return c == ',' ? Stop::Comma : Stop::Close;
            }
            if (c == '%') {
                renderEscape(out);
                continue;
            }
            out += c;
            ++pos_;
        }
        return Stop::End;
    }

    void renderEscape(std::string& out) {
        const std::size_t start = pos_;
        const std::string_view rest = format_.substr(pos_ + 1);
        if (depth_ < kMaxNesting && (rest.starts_with("IFV1(") || rest.starts_with("IFV2("))) {
            pos_ += 6;
            renderConditional(out, rest[3] == '1' ? 2 : 3, start);
        } else if (!rest.empty() && (rest[0] == '(' || rest[0] == ')' || rest[0] == '%')) {
            out += rest[0];
            pos_ += 2;
        } else if (const std::string* value = field(rest.substr(0, 4))) {
            out += *value;
            pos_ += 5;
        } else {
            out += '%';
            ++pos_;
        }
    }

    // Called after "%IFVn("; an item that does not close, or has the wrong
    // number of arguments, is written as it stands.
    void renderConditional(std::string& out, std::size_t argumentCount, std::size_t start) {
        ++depth_;
        std::string arguments[3];
        std::size_t count = 0;
        Stop stop = Stop::Comma;
        while (stop == Stop::Comma) {
            std::string argument;
            stop = renderSequence(argument, true);
            if (count < 3)
                arguments[count] = std::move(argument);
            ++count;
        }
        --depth_;
        if (stop == Stop::End || count != argumentCount) {
            out += format_.substr(start, pos_ - start);
            return;
        }
        if (!arguments[0].empty())
            out += arguments[1];
        else if (argumentCount == 3)
            out += arguments[2];
    }

    const std::string* field(std::string_view name) const {
        static constexpr struct {
            std::string_view name;
            std::string TagFields::*member;
        } kFields[] = {
            {"ARTI", &TagFields::artist},   {"ALBM", &TagFields::album},
            {"YEAR", &TagFields::year},     {"DISC", &TagFields::disc},
            {"TRCK", &TagFields::track},    {"TITL", &TagFields::title},
            {"GNRE", &TagFields::genre},    {"CMNT", &TagFields::comment},
            {"COMP", &TagFields::composer},
        };
        for (const auto& field : kFields) {
            if (field.name == name)
                return &(fields_.*field.member);
        }
        return nullptr;
    }

    std::string_view format_;
    const TagFields& fields_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

} // namespace

std::string renderTagFormat(const std::string& format, const TagFields& fields) {
    return FormatRenderer(format, fields).render();
}

} // namespace audio::tags
