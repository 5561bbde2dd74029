#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <functional>
#include <memory>

// Script lines from a file (all at once) or from standard input (as they come), without the
// blank lines and the "#" comments.
class ScriptReader {
public:
    using LinesHandler = std::function<void()>;

    // False when the file cannot be read.
    bool openFile(const QString& path);
    void openStandardInput();

    bool hasLine() const { return !lines_.isEmpty(); }
    QString takeLine() { return lines_.takeFirst(); }
    bool atEnd() const { return ended_ && lines_.isEmpty(); }
    // New lines arrived (or the input ended).
    void setOnLines(LinesHandler handler) { onLines_ = std::move(handler); }

private:
    void add(const QByteArray& text);
    void readStandardInput();

    QStringList lines_;
    QByteArray partial_;
    bool ended_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    LinesHandler onLines_;
};
