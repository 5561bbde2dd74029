#pragma once
#include "WindowModel.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// The window model on standard output: every log line as it is, every other event as one line
// "# " + a compact JSON object. Also runs the script commands, refusing what the window's
// current state would not let a user do.
class OrderedJson;

class ConsoleFrontEnd : public WindowModel::Observer {
public:
    enum class Outcome { Done, Refused, Wait, Quit };

    ConsoleFrontEnd(WindowModel& model, QTextStream& out);

    // Runs one script line. For Wait, waitMs tells how long the event loop must run.
    Outcome run(const QString& line, int& waitMs);

    void logLine(const QString& line) override;
    void refreshed() override;
    void lampChanged(int j) override;
    void awardChanged(int j) override;
    void echoTextChanged() override;
    void reportChanged(int j) override;
    void progressChanged() override;
    void message(const QString& text) override;
    void error(const QString& text) override;

    void refused(const QString& command);

private:
    void event(const OrderedJson& object);
    // False when the control is disabled or hidden in the window's current state.
    bool usable(std::initializer_list<const char*> controls) const;

    WindowModel& model_;
    QTextStream& out_;
    bool progressShown_ = false;
};
