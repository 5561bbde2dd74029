#pragma once
#include <QString>

// The user's locale as the program needs it.
class LocaleFacts {
public:
    virtual ~LocaleFacts() = default;
    virtual QString decimalSeparator() const = 0;
    virtual QString timeSeparator() const = 0;
};

class SystemLocaleFacts : public LocaleFacts {
public:
    QString decimalSeparator() const override;
    QString timeSeparator() const override;
};

class FixedLocaleFacts : public LocaleFacts {
public:
    explicit FixedLocaleFacts(QString decimal = QStringLiteral("."), QString time = QStringLiteral(":"))
        : decimal_(std::move(decimal)), time_(std::move(time)) {}
    QString decimalSeparator() const override { return decimal_; }
    QString timeSeparator() const override { return time_; }

private:
    QString decimal_;
    QString time_;
};
