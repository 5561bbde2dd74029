#include "ScriptReader.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <cstdio>
#else
#include <unistd.h>
#endif

bool ScriptReader::openFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    add(file.readAll() + '\n');
    ended_ = true;
    return true;
}

void ScriptReader::openStandardInput()
{
#ifdef Q_OS_WIN
    // Windows cannot watch a console or pipe handle from the event loop: take the whole input.
    QFile in;
    if (in.open(stdin, QIODevice::ReadOnly))
        add(in.readAll() + '\n');
    ended_ = true;
#else
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readStandardInput(); });
#endif
}

void ScriptReader::readStandardInput()
{
#ifndef Q_OS_WIN
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n > 0) {
        add(QByteArray(buffer, int(n)));
    } else {
        // End of input (or an error, which ends it just the same).
        notifier_->setEnabled(false);
        if (!partial_.isEmpty())
            add(QByteArray("\n"));
        ended_ = true;
    }
    if (onLines_)
        onLines_();
#endif
}

void ScriptReader::add(const QByteArray& text)
{
    partial_ += text;
    qsizetype end = 0;
    while ((end = partial_.indexOf('\n')) >= 0) {
        QString line = QString::fromUtf8(partial_.left(end));
        partial_.remove(0, end + 1);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        lines_.append(line);
    }
}
