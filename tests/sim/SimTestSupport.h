#pragma once
#include "Bench.h"

#include <QByteArray>
#include <vector>

// The program's end of the virtual line, driven by hand: what a program would write, and
// everything that came back with the time each byte arrived.
struct ProgramEnd {
    explicit ProgramEnd(sim::Bench& bench) : bench_(bench)
    {
        bench.device().setOnBytes([this](const QByteArray& bytes) {
            for (const char byte : bytes) {
                got += byte;
                atUs.push_back(bench_.loop().nowUs());
            }
        });
        bench.device().setOnFailure([this](const QString& why) { failures.push_back(why); });
    }

    void open(int com) { bench_.device().open(sim::Bench::pathOf(com)); }
    void write(const QByteArray& bytes) { bench_.device().write(bytes); }
    // A module command the way the program sends it: the text, 20 ms, the "ACK" trailer.
    void command(const QByteArray& text)
    {
        write(text);
        bench_.loop().Sleep(20);
        write("ACK");
    }
    void run(qint64 ms) { bench_.loop().RunFor(ms); }
    void forget()
    {
        got.clear();
        atUs.clear();
    }

    // STX..EOT units in what came back, each with the arrival time of its EOT.
    struct Frame {
        QByteArray bytes;
        qint64 endUs;
    };
    std::vector<Frame> frames() const
    {
        std::vector<Frame> out;
        qsizetype start = -1;
        for (qsizetype i = 0; i < got.size(); ++i) {
            if (got[i] == sim::kStx)
                start = i;
            else if (got[i] == sim::kEot && start >= 0) {
                out.push_back(Frame{got.mid(start, i - start + 1), atUs[std::size_t(i)]});
                start = -1;
            }
        }
        return out;
    }

    QByteArray got;
    std::vector<qint64> atUs;
    std::vector<QString> failures;

private:
    sim::Bench& bench_;
};
