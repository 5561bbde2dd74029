#include "Programs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <stdexcept>
#include <unistd.h>

extern char** environ;

namespace e2e {
namespace {

bool replacedVariable(const char* entry)
{
    for (const char* name : {"XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR=", "LC_ALL=", "LANG=", "LANGUAGE=", "HOME="}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0)
            return true;
    }
    return false;
}

} // namespace

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

bool isEvent(const std::string& line)
{
    return line.rfind("# {", 0) == 0;
}

QJsonObject event(const std::string& line)
{
    if (!isEvent(line))
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(line.substr(2))).object();
}

bool isEvent(const std::string& line, const char* name)
{
    return isEvent(line) && event(line).value(QStringLiteral("event")).toString() == QLatin1String(name);
}

Sandbox::Sandbox()
{
    if (!root_.isValid())
        throw std::runtime_error("no temporary folder");
    QDir(root_.path()).mkpath(QStringLiteral("config"));
    QDir(root_.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(QString::fromStdString(runtimeDir()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::string Sandbox::configHome() const
{
    return root_.filePath(QStringLiteral("config")).toStdString();
}

std::string Sandbox::dataDir() const
{
    return configHome() + "/Orvane/TarnwickUtils/";
}

std::string Sandbox::runtimeDir() const
{
    return root_.filePath(QStringLiteral("runtime")).toStdString();
}

std::string Sandbox::path(const std::string& name) const
{
    return root_.filePath(QString::fromStdString(name)).toStdString();
}

std::vector<std::string> Sandbox::environment() const
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (!replacedVariable(*e))
            env.emplace_back(*e);
    }
    // HOME too, so that nothing can reach the real ~/.config.
    env.push_back("HOME=" + root_.path().toStdString());
    env.push_back("XDG_CONFIG_HOME=" + configHome());
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir());
    env.push_back("LC_ALL=C");
    return env;
}

void Sandbox::apply() const
{
    ::setenv("HOME", root_.path().toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
    ::setenv("LC_ALL", "C", 1);
}

void Sandbox::writeSettings(const std::string& text) const
{
    QDir().mkpath(QString::fromStdString(dataDir()));
    QFile file(QString::fromStdString(dataDir() + "Quelta.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()))
        throw std::runtime_error("cannot write the settings");
}

KivoSim::KivoSim(const Sandbox& sandbox, int com, std::vector<std::string> options, std::string pads)
    : sandbox_(sandbox), com_(com), pads_(std::move(pads))
{
    std::vector<std::string> args{"--com", std::to_string(com), "--pads", pads_};
    args.insert(args.end(), options.begin(), options.end());
    process_ = std::make_unique<Process>(KIVO_SIM_PATH, args, sandbox.environment());
    const std::string ready = "ready COM" + std::to_string(com);
    const auto line = process_->waitFor([&](const std::string& l) { return l == ready; }, kStart);
    if (!line)
        throw std::runtime_error("kivo-sim did not get ready: " + process_->errorOutput());
    read_ = *line + 1;
}

std::string KivoSim::terminal() const
{
    return QFileInfo(QString::fromStdString(sandbox_.dataDir() + "ports/COM" + std::to_string(com_)))
        .symLinkTarget()
        .toStdString();
}

KivoSim::State KivoSim::state()
{
    process_->write("state\n");
    const auto head = process_->waitFor([](const std::string& l) { return l.rfind("module ", 0) == 0; }, kStart, read_);
    if (!head)
        throw std::runtime_error("kivo-sim did not tell its state: " + process_->errorOutput());
    State state;
    static const std::regex moduleLine(R"(module (\S+) channel (\d+) bandwidth (.) dcs (on|off) port (\S+))");
    std::smatch m;
    const std::string headLine = process_->lines()[*head];
    if (!std::regex_match(headLine, m, moduleLine))
        throw std::runtime_error("unexpected state line: " + headLine);
    state.module = m[1];
    state.channel = std::stoi(m[2]);
    state.bandwidth = m[3].str()[0];
    state.dcs = m[4] == "on";
    state.port = m[5];
    static const std::regex padLine(R"re(pad (.) version (\S*) (locked|unlocked) dive "(.*)" prompt "(.*)" acks (\d+))re");
    std::size_t next = *head + 1;
    for (std::size_t i = 0; i < pads_.size(); ++i) {
        const auto line = process_->waitFor([](const std::string&) { return true; }, kStart, next);
        if (!line)
            throw std::runtime_error("kivo-sim's state ended early");
        const std::string text = process_->lines()[*line];
        if (!std::regex_match(text, m, padLine))
            throw std::runtime_error("unexpected state line: " + text);
        state.pads[m[1].str()[0]] = PadState{m[2], m[4], m[3] == "locked", std::stoi(m[6])};
        next = *line + 1;
    }
    read_ = next;
    return state;
}

void KivoSim::type(char id, const std::string& text)
{
    process_->write(std::string("type ") + id + " " + text + "\n");
}

void KivoSim::unplug()
{
    process_->write("unplug\n");
    const std::string done = "unplugged COM" + std::to_string(com_);
    const auto line = process_->waitFor([&](const std::string& l) { return l == done; }, kStart, read_);
    if (!line)
        throw std::runtime_error("kivo-sim did not unplug: " + process_->errorOutput());
    read_ = *line + 1;
}

void KivoSim::plug()
{
    process_->write("plug\n");
    const std::string ready = "ready COM" + std::to_string(com_);
    const auto line = process_->waitFor([&](const std::string& l) { return l == ready; }, kStart, read_);
    if (!line)
        throw std::runtime_error("kivo-sim did not plug in again: " + process_->errorOutput());
    read_ = *line + 1;
}

Cli::Cli(const Sandbox& sandbox, std::vector<std::string> args)
    : process_(QUELTA_CLI_PATH, args, sandbox.environment())
{
}

void Cli::send(const std::string& commands)
{
    process_.write(commands + "\n");
}

std::size_t Cli::waitLine(const std::function<bool(const std::string&)>& pred, milliseconds timeout, std::size_t from)
{
    const auto line = process_.waitFor(pred, timeout, from);
    if (!line) {
        std::string tail;
        const std::vector<std::string>& all = lines();
        for (std::size_t i = all.size() > 30 ? all.size() - 30 : 0; i < all.size(); ++i)
            tail += "  " + all[i].substr(0, 300) + "\n";
        ADD_FAILURE() << "quelta-cli did not write the awaited line; its last lines:\n"
                      << tail << "its error output:\n"
                      << process_.errorOutput();
        throw std::runtime_error("time-out");
    }
    return *line;
}

std::size_t Cli::waitLog(const std::string& text, milliseconds timeout, std::size_t from)
{
    return waitLine([&](const std::string& l) { return l == text; }, timeout, from);
}

std::size_t Cli::waitEvent(const std::string& name, const std::function<bool(const QJsonObject&)>& pred,
                           milliseconds timeout, std::size_t from)
{
    return waitLine(
        [&](const std::string& l) {
            const QJsonObject e = event(l);
            return e.value(QStringLiteral("event")).toString() == QString::fromStdString(name) && pred(e);
        },
        timeout, from);
}

QJsonObject Cli::fullScan()
{
    const std::size_t from = mark();
    send("fullscan");
    return scanThatFollows(from);
}

QJsonObject Cli::scanThatFollows(std::size_t from)
{
    const std::size_t start = waitLog("Start Full Scan", kScan, from);
    // The refreshes of the bandwidth and DCS replies come before the pads are counted; the one
    // after the pad scan has them.
    const std::size_t end = waitEvent(
        "refresh",
        [](const QJsonObject& e) {
            return e.value(QStringLiteral("enabled")).toObject().value(QStringLiteral("SpTBXItemEcho")).toBool();
        },
        kScan, start);
    return event(lines()[end]);
}

} // namespace e2e
