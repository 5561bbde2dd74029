#pragma once
// The whole program in this process, with its own data and runtime folders, a chosen system
// language and the message boxes seen instead of waited for.
#include "Main.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

struct ShownMessage {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QString button;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config_.isValid());
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void TearDown() override
    {
        for (const auto& [name, value] : savedEnvironment_) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
        QLocale::setDefault(savedLocale_);
    }

    QString dataDir() const { return config_.path() + QStringLiteral("/Orvane/TarnwickUtils/"); }
    QString iniPath() const { return dataDir() + QStringLiteral("Quelta.ini"); }
    void writeDataFile(const QString& name, const QByteArray& bytes) const
    {
        ASSERT_TRUE(QDir().mkpath(dataDir()));
        QFile f(dataDir() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The settings file's lines, without their line endings; empty when there is no file.
    QStringList iniLines() const
    {
        QFile f(iniPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QString& line : lines)
            if (line.endsWith(u'\r'))
                line.chop(1);
        return lines;
    }

    std::unique_ptr<QueltaProgram> start()
    {
        auto program = std::make_unique<QueltaProgram>([this](QMessageBox& box) {
            messages.push_back({box.icon(), box.windowTitle(), box.text(), box.buttons().value(0)->text()});
        });
        program->window().show();
        return program;
    }

public:
    static void close(QueltaProgram& program) { program.window().close(); }

    static QAction* languageItem(QueltaProgram& program, int language)
    {
        return program.window().languageMenu()->findChild<QAction*>(QStringLiteral("SpTBXLang%1").arg(language));
    }
    static QStringList radioItems(QueltaProgram& program, const QString& group)
    {
        QStringList items;
        for (const QRadioButton* b : program.window().widget(group)->findChildren<QRadioButton*>())
            items << b->text();
        return items;
    }
    static std::vector<int> enabledLanguages(QueltaProgram& program)
    {
        std::vector<int> out;
        for (int language = 1; language <= 16; ++language)
            if (QAction* a = languageItem(program, language); a && a->isEnabled())
                out.push_back(language);
        return out;
    }
    static std::vector<int> checkedLanguages(QueltaProgram& program)
    {
        std::vector<int> out;
        for (int language = 1; language <= 16; ++language)
            if (QAction* a = languageItem(program, language); a && a->isChecked())
                out.push_back(language);
        return out;
    }

protected:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
    std::vector<ShownMessage> messages;

private:
    static std::optional<QByteArray> saved(const char* name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
    }
    const std::vector<std::pair<const char*, std::optional<QByteArray>>> savedEnvironment_ = {
        {"XDG_CONFIG_HOME", saved("XDG_CONFIG_HOME")},
        {"XDG_RUNTIME_DIR", saved("XDG_RUNTIME_DIR")},
        {"HOME", saved("HOME")}};
    const QLocale savedLocale_ = QLocale();
};
