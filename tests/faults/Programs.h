#pragma once
// The real programs as child processes: standard input on a pipe, standard output and error on
// another, read line by line with a time-out; each child sees only the test's own folders.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <sys/types.h>

using namespace std::chrono_literals;

// The data folder, the runtime folder (the instance lock) and the ports of one test.
struct Machine {
    Machine();
    QString dataDir() const { return home.path() + QStringLiteral("/Orvane/TarnwickUtils/"); }
    QString portLink(int com) const { return dataDir() + QStringLiteral("ports/COM%1").arg(com); }
    QTemporaryDir home;
};

class Program {
public:
    Program(const char* path, const QStringList& args, const Machine& machine);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Reads until a line (after the ones waited for before) contains text; false on time-out.
    bool waitFor(const QString& text, std::chrono::milliseconds timeout = 20s);
    void tell(const QByteArray& line);
    void closeInput();
    void signal(int sig) const;
    // The exit status (128 + the signal when killed), or -1 when it has not ended in time.
    int wait(std::chrono::milliseconds timeout = 20s);

    // Every line read so far.
    const QStringList& lines() const { return lines_; }
    // The lines read since the mark was taken.
    QStringList linesSince(qsizetype mark) const { return lines_.mid(mark); }
    qsizetype mark() const { return lines_.size(); }

private:
    enum class Read { Data, Quiet, Ended };
    // Reads what comes before until.
    Read readSome(std::chrono::steady_clock::time_point until);

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool outputEnded_ = false;
    QByteArray partial_;
    QStringList lines_;
    qsizetype next_ = 0;
};

inline QStringList matching(const QStringList& lines, const QString& text)
{
    return lines.filter(text);
}
