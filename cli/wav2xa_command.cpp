#include "cli/modding_commands.h"

#include "audio/pcm_wav_reader.h"
#include "audio/xa_encoder.h"

namespace vorn {

namespace {

std::string FormatName(const PcmSound& sound)
{
    return std::to_string(sound.bitsPerSample) + "-bit " + (sound.formatTag == 3 ? "float" : "integer");
}

std::string RefusalText(PcmWavStatus status, const PcmSound& sound, const std::string& name)
{
    switch (status) {
    case PcmWavStatus::NotWav: return Fill("\"%1\" is not a WAV file!", name);
    case PcmWavStatus::Unsupported:
        return Fill("Can't convert \"%1\": only 8-, 16-, 24- and 32-bit integer and 32- and 64-bit float PCM WAV "
                    "files can be converted, and this one holds ",
                    name) +
               std::to_string(sound.bitsPerSample) + "-bit samples in format " + std::to_string(sound.formatTag) +
               "!";
    case PcmWavStatus::BadChannels:
        return Fill("Can't convert \"%1\": it has ", name) + std::to_string(sound.channelCount) +
               " channels, and an XA sound holds 1 to 255!";
    case PcmWavStatus::BadBlockAlign:
        return Fill("Can't convert \"%1\": its block align of ", name) + std::to_string(sound.blockAlign) +
               " bytes does not fit " + std::to_string(sound.channelCount) + " channels of " +
               std::to_string(sound.bitsPerSample) + "-bit samples (" +
               std::to_string(sound.bitsPerSample / 8 * sound.channelCount) + " bytes)!";
    case PcmWavStatus::BadRate:
        return Fill("Can't convert \"%1\": its rate of ", name) + std::to_string(sound.sampleRate) +
               " samples a second is " +
               (sound.sampleRate == 0 ? std::string("no rate at all!")
                                      : "too high: its bytes a second do not fit the header's 32-bit field!");
    case PcmWavStatus::NoData: return Fill("\"%1\" holds no sound format or no sound data!", name);
    case PcmWavStatus::Truncated: return Fill("\"%1\" is cut short: it ends before the data its header states!", name);
    case PcmWavStatus::Unreadable:
        return Fill("Can't convert \"%1\": its ", name) + FormatName(sound) + " samples can't be read (" +
               sound.problem + ")!";
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
    if (!WriteOutput(args[1], xa, context))
        return kExitFailure;
    // XA holds 16-bit samples: say so when the file held others.
    if (sound.converted)
        context.messenger.Show(Message{Fill("\"%1\": ", input.Display()) + FormatName(sound) +
                                           " samples converted to 16-bit, rounded to the nearest step" +
                                           (sound.clippedSamples == 0
                                                ? std::string()
                                                : "; " + std::to_string(sound.clippedSamples) +
                                                      " beyond the 16-bit range clipped") +
                                           ".",
                                       "Vorn", MessageIcon::Information, MessageButtons::Ok});
    return kExitSuccess;
}

} // namespace vorn
