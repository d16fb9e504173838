// The parameter side every DirectX 8 style effect shares: the whole record is
// validated, posted to the mixer thread through a mailbox and read back as
// last set; a reset request is collected by the mixer thread too.
#pragma once

#include "audio/dsp/dx8_parameters.h"
#include "audio/dsp/effect.h"
#include "audio/dsp/parameter_mailbox.h"

#include <cstring>

namespace audio::dsp {

template <class Record> class RecordEffect : public Effect {
public:
    explicit RecordEffect(const Record& initial) : mailbox_(initial) {}

    void getParameters(void* params) const final {
        const Record current = mailbox_.latest();
        std::memcpy(params, &current, sizeof current);
    }

    bool setParameters(const void* params) final {
        Record record;
        std::memcpy(&record, params, sizeof record);
        if (!isValid(record))
            return false;
        mailbox_.post(record);
        return true;
    }

    void reset() final { mailbox_.requestReset(); }

protected:
    ParameterMailbox<Record> mailbox_;
};

} // namespace audio::dsp
