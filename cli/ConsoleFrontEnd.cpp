#include "ConsoleFrontEnd.h"

#include <QJsonArray>
#include <QJsonDocument>

// JSON objects with their keys in the order given, "event" first, as scripts read them.
class OrderedJson {
public:
    OrderedJson& add(const char* key, const QJsonValue& value)
    {
        text_ += (text_.isEmpty() ? "{" : ",") + encode(QString::fromLatin1(key)) + ":" + encode(value);
        return *this;
    }
    OrderedJson& add(const char* key, const OrderedJson& nested)
    {
        text_ += (text_.isEmpty() ? "{" : ",") + encode(QString::fromLatin1(key)) + ":" + nested.text();
        return *this;
    }
    QByteArray text() const { return text_.isEmpty() ? QByteArray("{}") : text_ + "}"; }

private:
    static QByteArray encode(const QJsonValue& value)
    {
        const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    }
    QByteArray text_;
};

namespace {


bool toInt(const QString& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok;
}

} // namespace

ConsoleFrontEnd::ConsoleFrontEnd(WindowModel& model, QTextStream& out) : model_(model), out_(out) {}

void ConsoleFrontEnd::event(const OrderedJson& object)
{
    out_ << "# " << object.text() << Qt::endl;
}

void ConsoleFrontEnd::logLine(const QString& line)
{
    out_ << line << Qt::endl;
}

void ConsoleFrontEnd::refreshed()
{
    OrderedJson enabled;
    for (const QString& name : WindowModel::RefreshedControls())
        enabled.add(name.toLatin1().constData(), model_.enabled(name));
    event(OrderedJson()
              .add("event", "refresh")
              .add("lblFirmware", model_.lblFirmware)
              .add("lblPort", model_.lblPort)
              .add("lblChannel", model_.lblChannel)
              .add("lblKVVer", model_.lblKVVer)
              .add("lblEcho", model_.lblEcho)
              .add("lblTime", OrderedJson().add("visible", model_.lblTimeVisible).add("text", model_.lblTime))
              .add("rgBandwidth", model_.rgBandwidth)
              .add("rgCompatibility",
                   OrderedJson().add("visible", model_.rgCompatibilityVisible).add("index", model_.rgCompatibility))
              .add("chk1", model_.chk1)
              .add("ChannelSpinEdit", model_.ChannelSpinEdit)
              .add("edtCommand", OrderedJson().add("cue", model_.edtCommandCue))
              .add("enabled", enabled));
}

void ConsoleFrontEnd::lampChanged(int j)
{
    event(OrderedJson().add("event", "lamp").add("j", j).add("colour", model_.lampGreen[std::size_t(j)] ? "green" : "red"));
}

void ConsoleFrontEnd::awardChanged(int j)
{
    event(OrderedJson().add("event", "award").add("j", j).add("text", model_.awards[std::size_t(j)]));
}

void ConsoleFrontEnd::echoTextChanged()
{
    event(OrderedJson().add("event", "echo").add("text", model_.lblEcho));
}

void ConsoleFrontEnd::reportChanged(int j)
{
    event(OrderedJson()
              .add("event", "report")
              .add("j", j)
              .add("text", model_.reportText[std::size_t(j)])
              .add("red", model_.reportColour[std::size_t(j)] == TextColour::Red));
}

void ConsoleFrontEnd::progressChanged()
{
    // Only its appearing and going away: the end of an echo test is seen by nothing else.
    if (model_.progressVisible == progressShown_)
        return;
    progressShown_ = model_.progressVisible;
    event(OrderedJson().add("event", "progress").add("visible", progressShown_));
}

void ConsoleFrontEnd::message(const QString& text)
{
    event(OrderedJson().add("event", "message").add("text", text));
}

void ConsoleFrontEnd::error(const QString& text)
{
    event(OrderedJson().add("event", "error").add("text", text));
}

void ConsoleFrontEnd::refused(const QString& command)
{
    event(OrderedJson().add("event", "refused").add("command", command));
}

bool ConsoleFrontEnd::usable(std::initializer_list<const char*> controls) const
{
    for (const char* c : controls) {
        const QString name = QString::fromLatin1(c);
        if (!model_.enabled(name) || !model_.visible(name))
            return false;
    }
    return true;
}

ConsoleFrontEnd::Outcome ConsoleFrontEnd::run(const QString& line, int& waitMs)
{
    const qsizetype space = line.indexOf(u' ');
    const QString verb = line.left(space < 0 ? line.size() : space);
    const QString arg = space < 0 ? QString() : line.mid(space + 1);
    const QString word = arg.trimmed();
    int n = 0;
    const auto refuse = [&] {
        refused(line);
        return Outcome::Refused;
    };
    // Each command as its control: only when the window would let a user operate it.
    const auto act = [&](std::initializer_list<const char*> controls, const std::function<void()>& fn) {
        if (!usable(controls))
            return refuse();
        fn();
        return Outcome::Done;
    };

    if (verb == u"fullscan" && word.isEmpty())
        return act({"SpTBXSubmenuItemScans", "SpTBXItemFullScan"}, [&] { model_.SpTBXItemFullScanClick(); });
    if (verb == u"activeport" && word.isEmpty())
        return act({"SpTBXSubmenuItemScans", "SpTBXItemActivePort"}, [&] { model_.SpTBXItemActivePortClick(); });
    if (verb == u"hidden" && word.isEmpty())
        return act({"SpTBXSubmenuItemScans", "SpTBXItemHidden"}, [&] { model_.SpTBXItemHiddenClick(); });
    if (verb == u"nextdive" && word.isEmpty())
        return act({"SpTBXItemNextDive"}, [&] { model_.SpTBXItemNextDiveClick(); });
    if (verb == u"judge" && word.isEmpty())
        return act({"SpTBXSubmenuItemCommand", "SpTBXItemJudge"}, [&] { model_.SpTBXItemJudgeClick(); });
    if (verb == u"lock" && word.isEmpty())
        return act({"SpTBXSubmenuItemCommand", "SpTBXItemLock"}, [&] { model_.SpTBXItemLockClick(); });
    if (verb == u"unlock" && word.isEmpty())
        return act({"SpTBXSubmenuItemCommand", "SpTBXItemUnlock"}, [&] { model_.SpTBXItemUnlockClick(); });
    if (verb == u"loops" && toInt(word, n))
        return act({"TestSpinEdit"}, [&] { model_.TestSpinEditChange(n); });
    if (verb == u"delay" && toInt(word, n))
        return act({"TestDelaySpinEdit"}, [&] { model_.TestDelaySpinEditChange(n); });
    if (verb == u"echo" && word.isEmpty())
        return act({"SpTBXItemEcho"}, [&] { model_.SpTBXItemEchoClick(); });
    if (verb == u"abort" && word.isEmpty())
        return act({"btnAbort"}, [&] { model_.BtnAbortClick(); });
    if (verb == u"channel" && toInt(word, n) && n >= 0 && n <= 9)
        return act({"gbxBaseStation", "ChannelSpinEdit"}, [&] { model_.ChannelSpinEdit = n; });
    if (verb == u"setchannel" && word.isEmpty())
        return act({"gbxBaseStation", "btnSetChannel"}, [&] { model_.BtnSetChannelClick(); });
    if (verb == u"reset" && word.isEmpty())
        return act({"gbxBaseStation", "btnReset"}, [&] { model_.BtnResetClick(); });
    if (verb == u"bandwidth" && toInt(word, n) && n >= 0 && n <= 4)
        return act({"gbSystem", "rgBandwidth"}, [&] { model_.RgBandwidthClick(n); });
    if (verb == u"compat" && (word == u"V3" || word == u"V2"))
        return act({"gbSystem", "rgCompatibility"}, [&] { model_.RgCompatibilityClick(word == u"V3" ? 0 : 1); });
    if (verb == u"dcs" && (word == u"on" || word == u"off"))
        return act({"gbSystem", "rgDCS"}, [&] { model_.RgDCSClick(word == u"on" ? 0 : 1); });
    if (verb == u"broadcast" && (word == u"on" || word == u"off"))
        return act({"gbSystem", "chk1"}, [&] { model_.Chk1Click(word == u"on"); });
    if (verb == u"text")
        return act({"gbxBaseStation", "edtCommand"}, [&] { model_.edtCommand = arg; });
    if (verb == u"cmd" && word.isEmpty())
        return act({"gbxBaseStation", "btnCmd"}, [&] { model_.BtnCmdClick(); });
    if (verb == u"chartest" && word.isEmpty())
        return act({"SpTBXCharTest"}, [&] { model_.SpTBXCharTestClick(); });
    if (verb == u"lamp" && toInt(word, n) && n >= 0 && n <= 11)
        return act({"gbStatus"}, [&] { model_.LEDClick(n); });
    if (verb == u"jlab" && toInt(word, n) && n >= 0 && n <= 11)
        return act({"gbStatus"}, [&] { model_.JLabClick(n); });
    if (verb == u"wait" && toInt(word, n) && n >= 0) {
        waitMs = n;
        return Outcome::Wait;
    }
    if (verb == u"quit" && word.isEmpty())
        return Outcome::Quit;
    return refuse();
}
