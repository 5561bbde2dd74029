#pragma once
// What every pad's echo counters must be, worked out from the line's timeline alone: the
// frames the program wrote (each echo frame opens an exchange, a bare echo opens its resend
// phase) and the moment each pad's reply reached the program. It also checks the exchange
// schedule the program kept against that timeline. Fed in chunks while a long test runs, and
// it forgets what it has settled, so its memory stays flat.
#include "LinkState.h"
#include "PadFrame.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <deque>

class EchoTimeline {
public:
    // padOrder: the ID characters of the registered pads, in the order the test echoes them.
    EchoTimeline(qint64 delayUs, QByteArray padOrder) : delayUs_(delayUs), padOrder_(std::move(padOrder)) {}

    void wrote(qint64 atUs, const QByteArray& frame) { writes_.push_back({atUs, frame}); }
    // The last byte of a reply reaches the program at atUs (possibly still in the future).
    void replyReaches(qint64 atUs, const QByteArray& frame) { replies_.push_back({atUs, frame}); }

    // Settles everything up to nowUs. At equal times a write comes first: the timer tick that
    // writes was queued a test delay earlier than the bytes of any reply.
    void advance(qint64 nowUs)
    {
        for (;;) {
            const bool write = !writes_.empty() && writes_.front().atUs <= nowUs;
            const bool reply = !replies_.empty() && replies_.front().atUs <= nowUs;
            if (write && (!reply || writes_.front().atUs <= replies_.front().atUs)) {
                onWrite(writes_.front());
                writes_.pop_front();
            } else if (reply) {
                onReply(replies_.front());
                replies_.pop_front();
            } else {
                return;
            }
        }
    }

    // The test ended at endUs (the tick after the last exchange): replies from then on are not
    // the test's.
    void end(qint64 endUs)
    {
        advance(endUs - 1);
        if (open_)
            closeExchange(endUs);
        ended_ = true;
    }

    const std::array<EchoCounters, 12>& counters() const { return counters_; }
    int exchanges() const { return exchanges_; }
    int resends() const { return resends_; }
    int repliesCounted() const { return repliesCounted_; }
    // Replies that reached the program while another pad was being echoed.
    int lateReplies() const { return lateReplies_; }
    const QStringList& faults() const { return faults_; }

private:
    struct Event {
        qint64 atUs;
        QByteArray bytes;
    };
    struct Exchange {
        char pad = 0;
        int loop = 0;
        qint64 startUs = 0;
        qint64 resendUs = -1;
        bool repliedInFirstDelay = false;
    };

    void fault(const QString& text)
    {
        if (faults_.size() < 20)
            faults_ << text;
    }

    void onWrite(const Event& w)
    {
        const sim::ProgramFrame f = sim::readProgramFrame(w.bytes);
        if (ended_) {
            fault(QStringLiteral("a write after the test ended at %1 us").arg(w.atUs));
        } else if (f.kind == sim::FrameKind::Echo) {
            if (open_)
                closeExchange(w.atUs);
            const char expectedPad = padOrder_.at(exchanges_ % padOrder_.size());
            const int expectedLoop = int(exchanges_ / padOrder_.size()) + 1;
            ex_ = Exchange{f.address, f.shown.toInt(), w.atUs};
            open_ = true;
            if (ex_.pad != expectedPad || ex_.loop != expectedLoop)
                fault(QStringLiteral("exchange %1 went to %2 in loop %3, expected %4 in loop %5")
                          .arg(exchanges_).arg(QChar(ex_.pad)).arg(ex_.loop).arg(QChar(expectedPad)).arg(expectedLoop));
            ++exchanges_;
        } else if (f.kind == sim::FrameKind::BareEcho && open_ && f.address == ex_.pad && ex_.resendUs < 0) {
            ex_.resendUs = w.atUs;
            ++resends_;
            ++counters_[std::size_t(sim::padIndex(ex_.pad))].Resends;
            if (ex_.repliedInFirstDelay || w.atUs != ex_.startUs + delayUs_)
                fault(QStringLiteral("resend to %1 at %2 us: exchange began at %3 us, reply in time: %4")
                          .arg(QChar(ex_.pad)).arg(w.atUs).arg(ex_.startUs).arg(ex_.repliedInFirstDelay));
        } else {
            fault(QStringLiteral("unexpected write at %1 us: %2").arg(w.atUs).arg(QString::fromLatin1(sim::printable(w.bytes))));
        }
    }

    // An exchange lasts one test delay when a reply came within it, else two, with the resend
    // written at the end of the first.
    void closeExchange(qint64 endUs)
    {
        const qint64 firstEnd = ex_.startUs + delayUs_;
        const bool asExpected = ex_.repliedInFirstDelay ? ex_.resendUs < 0 && endUs == firstEnd
                                                        : ex_.resendUs == firstEnd && endUs == firstEnd + delayUs_;
        if (!asExpected)
            fault(QStringLiteral("exchange with %1 from %2 us: resend at %3 us, ended at %4 us, reply in time: %5")
                      .arg(QChar(ex_.pad)).arg(ex_.startUs).arg(ex_.resendUs).arg(endUs).arg(ex_.repliedInFirstDelay));
        open_ = false;
    }

    // Any reply that reaches the program while the test runs is its sender's, whichever pad is
    // being echoed. During a resend phase its loop number tells what was missed: the current
    // loop means the pad heard the echo frame and its answer was lost (a missed send), another
    // loop means the echo frame never reached it (a missed read).
    void onReply(const Event& r)
    {
        if (!open_ || ended_)
            return;
        const int j = r.bytes.size() > 1 ? sim::padIndex(r.bytes.at(1)) : -1;
        if (j < 0) {
            fault(QStringLiteral("a reply from no pad: %1").arg(QString::fromLatin1(sim::printable(r.bytes))));
            return;
        }
        const int loop = r.bytes.mid(r.bytes.indexOf(' ') + 2).chopped(1).toInt();
        EchoCounters& c = counters_[std::size_t(j)];
        ++c.Replies;
        ++repliesCounted_;
        if (j != sim::padIndex(ex_.pad))
            ++lateReplies_;
        if (ex_.resendUs >= 0)
            ++(loop == ex_.loop ? c.MissedSends : c.MissedReads);
        else
            ex_.repliedInFirstDelay = true;
    }

    const qint64 delayUs_;
    const QByteArray padOrder_;
    std::deque<Event> writes_;
    std::deque<Event> replies_;
    Exchange ex_;
    bool open_ = false;
    bool ended_ = false;
    std::array<EchoCounters, 12> counters_{};
    int exchanges_ = 0;
    int resends_ = 0;
    int repliesCounted_ = 0;
    int lateReplies_ = 0;
    QStringList faults_;
};
