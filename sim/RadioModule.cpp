#include "RadioModule.h"

#include <algorithm>

namespace sim {
namespace {

const QByteArray kPrefix = "ER_CMD#";
const QByteArray kTrailer = "ACK";
// Longer than any command the program sends (the channel command with a typed number);
// beyond this the text is taken as complete so that noise cannot grow the buffer.
constexpr qsizetype kMaxCommand = 32;

bool isPrefixOf(const QByteArray& part, const QByteArray& whole)
{
    return whole.startsWith(part);
}

bool allDigits(const QByteArray& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

ModuleConfig ModuleConfig::classic()
{
    ModuleConfig config;
    config.version = kClassicVersion;
    config.supportsReset = false;
    return config;
}

const char* unitKindName(LineUnit::Kind kind)
{
    switch (kind) {
    case LineUnit::Kind::Command: return "command";
    case LineUnit::Kind::Trailer: return "trailer";
    case LineUnit::Kind::PadFrame: return "frame";
    case LineUnit::Kind::Noise: return "noise";
    case LineUnit::Kind::ModuleReply: return "reply";
    }
    return "unknown";
}

RadioModule::RadioModule(Clock& clock, ModuleConfig config, UnitSink heard, Reply reply)
    : clock_(clock), config_(std::move(config)), heard_(std::move(heard)), reply_(std::move(reply))
{
}

void RadioModule::receive(char byte)
{
    lastByteUs_ = clock_.nowUs();
    text_ += byte;
    times_.push_back(lastByteUs_);
    scan();
    armQuietCheck();
}

void RadioModule::scan()
{
    if (trailerMayFollow_) {
        if (isPrefixOf(text_, kTrailer)) {
            if (text_ == kTrailer) {
                heard_(LineUnit::Kind::Trailer, times_.front(), times_.back(), text_);
                take(text_.size());
                trailerMayFollow_ = false;
            }
            return;
        }
        trailerMayFollow_ = false;
    }
    for (;;) {
        dropNoise();
        if (!text_.startsWith(kPrefix))
            return;
        // A new command began before this one was finished: this one is complete as it is.
        const qsizetype next = text_.indexOf(kPrefix, kPrefix.size());
        if (next < 0)
            break;
        complete(next, false);
    }
    if (text_.size() >= kPrefix.size() + 1 + kTrailer.size() && text_.endsWith(kTrailer)) {
        complete(text_.size() - kTrailer.size(), true);
    } else if (text_ == "ER_CMD#C?" || text_ == "ER_CMD#B?") {
        // Queries have no trailer and are answered at once.
        complete(text_.size(), false);
        trailerMayFollow_ = true;
    } else if (text_.size() > kMaxCommand) {
        complete(text_.size(), false);
    }
}

void RadioModule::dropNoise()
{
    while (!text_.isEmpty() && !text_.startsWith(kPrefix) && !isPrefixOf(text_, kPrefix)) {
        const qsizetype next = text_.indexOf('E', 1);
        emitNoise(next < 0 ? text_.size() : next);
    }
}

void RadioModule::emitNoise(qsizetype length)
{
    heard_(LineUnit::Kind::Noise, times_.front(), times_[std::size_t(length - 1)], text_.left(length));
    take(length);
}

void RadioModule::take(qsizetype length)
{
    text_.remove(0, length);
    times_.erase(times_.begin(), times_.begin() + length);
}

void RadioModule::complete(qsizetype length, bool trailer)
{
    const QByteArray command = text_.left(length);
    const qint64 firstUs = times_.front();
    const qint64 lastUs = times_[std::size_t(length - 1)];
    heard_(LineUnit::Kind::Command, firstUs, lastUs, command);
    if (trailer) {
        heard_(LineUnit::Kind::Trailer, times_[std::size_t(length)], times_.back(), kTrailer);
        take(text_.size());
    } else {
        take(length);
    }
    const QByteArray reply = answer(command);
    if (keepRecords_)
        commands_.push_back(ModuleCommandRecord{firstUs, lastUs, command, trailer, reply});
    if (!reply.isEmpty())
        clock_.schedule(clock_.nowUs() + config_.latencyUs, [this, reply] { reply_(reply); });
}

QByteArray RadioModule::answer(const QByteArray& command)
{
    if (!command.startsWith(kPrefix))
        return {};
    const QByteArray body = command.mid(kPrefix.size());
    if (body.isEmpty())
        return {};
    const auto channelReply = [this] { return kPrefix + 'C' + char('0' + config_.channel); };
    if (body == "T3")
        return command + config_.version;
    if (body == "C?")
        return config_.zeroReplyToChannelQuery ? kPrefix + "00" : channelReply();
    if (body == "B?")
        return kPrefix + 'B' + config_.bandwidthCode;
    if (body == "R1") {
        if (!config_.supportsReset)
            return {};
        config_.channel = 7;
        return command;
    }
    if (body == "A00" || body == "A01") {
        config_.dcs = body.back() == '1';
        return command;
    }
    if (body.size() == 2 && body.front() == 'B' && QByteArray("01236").contains(body.back())) {
        config_.bandwidthCode = body.back();
        return command;
    }
    if (body.front() == 'C' && allDigits(body.mid(1)) && body.size() <= 4) {
        const int channel = body.mid(1).toInt();
        if (channel > 9)
            return {}; // the module has ten channels and refuses the rest
        config_.channel = channel;
        return channelReply();
    }
    return {};
}

void RadioModule::endOfText()
{
    trailerMayFollow_ = false;
    if (text_.isEmpty())
        return;
    // A trailer cut short ("ER_CMD#T3AC" and then silence) still leaves the command.
    qsizetype keep = text_.size();
    for (qsizetype cut = 1; cut < kTrailer.size(); ++cut) {
        if (text_.size() > kPrefix.size() + cut && text_.endsWith(kTrailer.left(cut)))
            keep = text_.size() - cut;
    }
    if (text_.startsWith(kPrefix) && keep > kPrefix.size())
        complete(keep, false);
    if (!text_.isEmpty())
        emitNoise(text_.size());
}

void RadioModule::armQuietCheck()
{
    if (quietCheckArmed_ || (text_.isEmpty() && !trailerMayFollow_))
        return;
    quietCheckArmed_ = true;
    clock_.schedule(lastByteUs_ + config_.trailerWaitUs, [this] { onQuiet(); });
}

void RadioModule::onQuiet()
{
    quietCheckArmed_ = false;
    if (clock_.nowUs() < lastByteUs_ + config_.trailerWaitUs) {
        armQuietCheck();
        return;
    }
    endOfText();
}

} // namespace sim
