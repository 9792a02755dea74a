#include "cli/modding_commands.h"

#include "audio/pcm_wav_reader.h"
#include "audio/xa_encoder.h"

namespace vorn {

namespace {

std::string RefusalText(PcmWavStatus status, const PcmSound& sound, const std::string& name)
{
    switch (status) {
    case PcmWavStatus::NotWav: return Fill("\"%1\" is not a WAV file!", name);
    case PcmWavStatus::NotPcm16:
        return Fill("Can't convert \"%1\": only 16-bit PCM WAV files can be converted, and this one holds ", name) +
               std::to_string(sound.bitsPerSample) + "-bit samples in format " + std::to_string(sound.formatTag) +
               "!";
    case PcmWavStatus::BadChannels:
        return Fill("Can't convert \"%1\": it has ", name) + std::to_string(sound.channelCount) +
               " channels, and an XA sound holds 1 to 255!";
    case PcmWavStatus::BadBlockAlign:
        return Fill("Can't convert \"%1\": its block align of ", name) + std::to_string(sound.blockAlign) +
               " bytes does not fit " + std::to_string(sound.channelCount) + " channels of 16-bit samples (" +
               std::to_string(2 * sound.channelCount) + " bytes)!";
    case PcmWavStatus::BadRate:
        return Fill("Can't convert \"%1\": its rate of ", name) + std::to_string(sound.sampleRate) +
               " samples a second is " +
               (sound.sampleRate == 0 ? std::string("no rate at all!")
                                      : "too high: its bytes a second do not fit the header's 32-bit field!");
    case PcmWavStatus::NoData: return Fill("\"%1\" holds no sound format or no sound data!", name);
    case PcmWavStatus::Truncated: return Fill("\"%1\" is cut short: it ends before the data its header states!", name);
    case PcmWavStatus::Ok: break;
    }
    return {};
}

} // namespace

int RunWavToXa(CliContext& context, const std::vector<std::string>& args)
{
    const EntryInput input = ParseEntryInput(args[0]);
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return kExitFailure;
    PcmSound sound;
    const PcmWavStatus status = PcmWavReader::Read(*bytes, sound);
    if (status != PcmWavStatus::Ok) {
        context.Error(RefusalText(status, sound, input.Display()));
        return kExitFailure;
    }
    const std::vector<uint8_t> xa = XaEncoder::EncodeFile(sound.samples, sound.channelCount, sound.sampleRate);
    if (xa.empty()) {
        context.Error(Fill("\"%1\" is too long for an XA sound!", input.Display()));
        return kExitFailure;
    }
    if (!WriteOutputFile(args[1], xa, context))
        return kExitFailure;
    return kExitSuccess;
}

} // namespace vorn
