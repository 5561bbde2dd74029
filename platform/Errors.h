#pragma once
#include <QString>
#include <stdexcept>

// Every error the program raises carries a QString text for the log pane.
class QueltaError : public std::runtime_error {
public:
    explicit QueltaError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// Opening, writing or configuring the serial line failed.
class PortError : public QueltaError {
public:
    using QueltaError::QueltaError;
};

// Text of whatever escaped, for the general error handler's log line.
QString errorText(const std::exception& e);
