#include "MainWindow.h"

#include "EventLoop.h"
#include "LogModel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int kClientWidth = 829;
constexpr int kClientHeight = 402;

QFont pixelFont(const QString& family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

// The icon fonts of the original drawings are not on every machine; the style's own icons
// stand in for them.
QIcon standardIcon(int index)
{
    static const QStyle::StandardPixmap pixmaps[] = {
        QStyle::SP_DialogCloseButton,  QStyle::SP_DirHomeIcon,         QStyle::SP_BrowserReload,
        QStyle::SP_DriveNetIcon,       QStyle::SP_TitleBarMinButton,   QStyle::SP_ComputerIcon,
        QStyle::SP_DialogNoButton,     QStyle::SP_DialogYesButton,     QStyle::SP_FileDialogContentsView,
        QStyle::SP_FileDialogStart,    QStyle::SP_MediaPlay,           QStyle::SP_FileDialogDetailedView,
        QStyle::SP_DesktopIcon,        QStyle::SP_DialogHelpButton};
    return QApplication::style()->standardIcon(pixmaps[index]);
}

} // namespace

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    if (onClick)
        onClick();
}

TfrmMain::TfrmMain(WindowModel& model, EventLoop& loop) : model_(model), loop_(loop)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kivo Utility"));
    setFont(pixelFont(QStringLiteral("Segoe UI"), 12));
    resize(kClientWidth, kClientHeight);
    buildToolbar();
    buildBaseStation();
    buildSystem();
    buildStatus();
    buildAwards();
    buildEcho();

    log_ = new LogModel(this);
    logView_ = new QListView(this);
    logView_->setObjectName(QStringLiteral("lbxLog"));
    logView_->setModel(log_);
    logView_->setUniformItemSizes(true);
    logView_->setFont(pixelFont(QStringLiteral("Courier New"), 13));
    logView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    widgets_[QStringLiteral("lbxLog")] = logView_;
    logView_->setGeometry(8, 394, 498, 0);
    showDesignState();
    model_.setObserver(this);
}

void TfrmMain::showDesignState()
{
    // What the window shows before its creation handler has run, and keeps when that handler
    // cannot find the data folder.
    for (const auto& [name, text] : {std::pair{"lblFirmware", "version"}, std::pair{"lblPort", "port"},
                                     std::pair{"lblChannel", "chan"}, std::pair{"lblEcho", "lblEcho"},
                                     std::pair{"lblKVVer", "version"}, std::pair{"lblTime", "lblTime"}})
        setCaption(QString::fromLatin1(name), QString::fromLatin1(text));
    for (QLabel* award : awards_)
        award->setText(QStringLiteral("10.0"));
    for (const char* name : {"gbStatus", "edtCommand", "btnCmd"})
        widget(QString::fromLatin1(name))->setEnabled(false);
    if (QAbstractButton* b = bandwidth_->button(4))
        b->setChecked(true);
    widget(QStringLiteral("rgCompatibility"))->hide();
}

void TfrmMain::applyStartState()
{
    applyModel();
    for (int j = 0; j < 12; ++j) {
        awardChanged(j);
        lampChanged(j);
        reportChanged(j);
    }
    progressChanged();
}

void TfrmMain::showMessage(QMessageBox::Icon icon, const QString& text)
{
    const auto tr = [this](const char* english) {
        return dialogText ? dialogText(QString::fromLatin1(english)) : QString::fromLatin1(english);
    };
    const char* title = icon == QMessageBox::Critical ? "Error" : icon == QMessageBox::Warning ? "Warning" : "Information";
    QMessageBox box(icon, tr(title), text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(tr("OK"));
    box.exec();
}

TfrmMain::~TfrmMain()
{
    model_.setObserver(nullptr);
}

void TfrmMain::click(const std::function<void()>& fn)
{
    loop_.runGuarded(fn);
}

QLabel* TfrmMain::label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                        bool rightAligned)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    if (w > 0) {
        l->setGeometry(x, y, w, 18);
        if (rightAligned)
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    } else {
        l->move(x, y);
        l->adjustSize();
    }
    widgets_[name] = l;
    return l;
}

QAction* TfrmMain::item(const QString& name, const QString& caption, int icon)
{
    auto* a = new QAction(standardIcon(icon), caption, this);
    a->setObjectName(name);
    actions_[name] = a;
    return a;
}

void TfrmMain::buildToolbar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("SpTBXToolbar1"));
    bar->setGeometry(0, 0, kClientWidth, 64);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(24, 24));

    auto addButton = [&](QAction* a, QMenu* menu = nullptr) {
        auto* button = new QToolButton(bar);
        button->setDefaultAction(a);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(64);
        if (menu) {
            a->setMenu(menu);
            button->setPopupMode(QToolButton::InstantPopup);
        }
        // In a toolbar the widget's own action decides whether it is shown.
        QAction* holder = bar->addWidget(button);
        connect(a, &QAction::changed, holder, [a, holder] { holder->setVisible(a->isVisible()); });
    };
    auto submenu = [&](QAction* parent, std::initializer_list<QAction*> items) {
        auto* menu = new QMenu(this);
        for (QAction* a : items)
            menu->addAction(a);
        addButton(parent, menu);
        return menu;
    };

    QAction* exit = item(QStringLiteral("SpTBXItemExit"), QStringLiteral("Exit"), 0);
    connect(exit, &QAction::triggered, this, [this] { close(); });
    addButton(exit);

    QAction* fullScan = item(QStringLiteral("SpTBXItemFullScan"), QStringLiteral("Full Scan"), 9);
    QAction* activePort = item(QStringLiteral("SpTBXItemActivePort"), QStringLiteral("Active port"), 5);
    QAction* hidden = item(QStringLiteral("SpTBXItemHidden"), QStringLiteral("Hidden"), 4);
    connect(fullScan, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemFullScanClick(); }); });
    connect(activePort, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemActivePortClick(); }); });
    connect(hidden, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemHiddenClick(); }); });
    submenu(item(QStringLiteral("SpTBXSubmenuItemScans"), QStringLiteral("Scans"), 3), {fullScan, activePort, hidden});

    QAction* nextDive = item(QStringLiteral("SpTBXItemNextDive"), QStringLiteral("Next\nDive"), 10);
    connect(nextDive, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemNextDiveClick(); }); });
    addButton(nextDive);

    QAction* judge = item(QStringLiteral("SpTBXItemJudge"), QStringLiteral("Judge ID"), 1);
    QAction* lock = item(QStringLiteral("SpTBXItemLock"), QStringLiteral("Lock Kbd"), 6);
    QAction* unlock = item(QStringLiteral("SpTBXItemUnlock"), QStringLiteral("Unlock Kbd"), 7);
    connect(judge, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemJudgeClick(); }); });
    connect(lock, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemLockClick(); }); });
    connect(unlock, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemUnlockClick(); }); });
    submenu(item(QStringLiteral("SpTBXSubmenuItemCommand"), QStringLiteral("Kivo\nCommands"), 11),
            {judge, lock, unlock});

    QAction* echo = item(QStringLiteral("SpTBXItemEcho"), QStringLiteral("Echo\nTest"), 2);
    connect(echo, &QAction::triggered, this, [this] { click([this] { model_.SpTBXItemEchoClick(); }); });
    addButton(echo);
    QAction* charTest = item(QStringLiteral("SpTBXCharTest"), QStringLiteral("Character\nTest"), 8);
    connect(charTest, &QAction::triggered, this, [this] {
        click([this] { model_.SpTBXCharTestClick(); });
        if (auto* edit = qobject_cast<QLineEdit*>(widget(QStringLiteral("edtCommand"))))
            edit->setText(model_.edtCommand);
    });
    addButton(charTest);

    QAction* lang = item(QStringLiteral("SpTBXSubmenuItemLang"), QStringLiteral("Language.."), 12);
    langMenu_ = new QMenu(this);
    addButton(lang, langMenu_);

    QAction* help = item(QStringLiteral("SpTBXItemHelp"), QStringLiteral("Help"), 13);
    connect(help, &QAction::triggered, this, [this] {
        if (onHelpClicked)
            click(onHelpClicked);
    });
    addButton(help);

    QAction* yourLanguage = item(QStringLiteral("SpTBXLangX"), QStringLiteral("Your language"), 12);
    yourLanguage->setIcon({});
    connect(yourLanguage, &QAction::triggered, this, [this] {
        if (onYourLanguageClicked)
            click(onYourLanguageClicked);
    });
}

void TfrmMain::buildBaseStation()
{
    auto* g = new QGroupBox(QStringLiteral("Base Station"), this);
    g->setObjectName(QStringLiteral("gbxBaseStation"));
    g->setGeometry(9, 71, 415, 113);
    widgets_[g->objectName()] = g;
    label(g, QStringLiteral("lblRX"), QStringLiteral("RX"), 152, 13);
    lightRx_ = label(g, QStringLiteral("apdstslghtRX"), QString(), 171, 14, 13);
    lightTx_ = label(g, QStringLiteral("apdstslghtTX"), QString(), 198, 14, 13);
    for (QLabel* light : {lightRx_, lightTx_}) {
        light->setFixedSize(13, 13);
        light->setAutoFillBackground(true);
    }
    label(g, QStringLiteral("lblTX"), QStringLiteral("TX"), 217, 13);
    monitoringChanged();
    label(g, QStringLiteral("lbl12"), QStringLiteral("Firmware version:"), 0, 32, 120, true);
    label(g, QStringLiteral("lblFirmware"), QString(), 124, 32, 170);
    label(g, QStringLiteral("Label6"), QStringLiteral("Port:"), 0, 48, 120, true);
    label(g, QStringLiteral("lblPort"), QString(), 124, 48, 170);
    label(g, QStringLiteral("lbl15"), QStringLiteral("Active channel:"), 0, 64, 120, true);
    label(g, QStringLiteral("lblChannel"), QString(), 124, 64, 170);
    label(g, QStringLiteral("lbl14"), QStringLiteral("Target channel:"), 0, 88, 120, true);

    auto* channel = new QSpinBox(g);
    channel->setObjectName(QStringLiteral("ChannelSpinEdit"));
    channel->setGeometry(124, 84, 42, 24);
    channel->setRange(0, 9);
    channel->setValue(1);
    connect(channel, &QSpinBox::valueChanged, this, [this](int v) { model_.ChannelSpinEdit = v; });
    widgets_[channel->objectName()] = channel;

    auto* setChannel = new QPushButton(QStringLiteral("Set channel"), g);
    setChannel->setObjectName(QStringLiteral("btnSetChannel"));
    setChannel->setGeometry(183, 80, 98, 25);
    connect(setChannel, &QPushButton::clicked, this, [this] { click([this] { model_.BtnSetChannelClick(); }); });
    widgets_[setChannel->objectName()] = setChannel;

    auto* reset = new QPushButton(QStringLiteral("Reset"), g);
    reset->setObjectName(QStringLiteral("btnReset"));
    reset->setGeometry(302, 80, 100, 25);
    connect(reset, &QPushButton::clicked, this, [this] {
        click([this] { model_.BtnResetClick(); });
        applyModel();
    });
    widgets_[reset->objectName()] = reset;

    auto* command = new QLineEdit(g);
    command->setObjectName(QStringLiteral("edtCommand"));
    command->setGeometry(302, 29, 100, 23);
    connect(command, &QLineEdit::textChanged, this, [this](const QString& t) { model_.edtCommand = t; });
    widgets_[command->objectName()] = command;

    auto* send = new QPushButton(QStringLiteral("Send cmd"), g);
    send->setObjectName(QStringLiteral("btnCmd"));
    send->setGeometry(302, 49, 100, 25);
    connect(send, &QPushButton::clicked, this, [this] { click([this] { model_.BtnCmdClick(); }); });
    widgets_[send->objectName()] = send;
}

void TfrmMain::buildSystem()
{
    auto* g = new QGroupBox(QStringLiteral("System configuration"), this);
    g->setObjectName(QStringLiteral("gbSystem"));
    g->setGeometry(7, 190, 417, 106);
    widgets_[g->objectName()] = g;

    auto* broadcast = new QCheckBox(QStringLiteral("Broadcast"), g);
    broadcast->setObjectName(QStringLiteral("chk1"));
    broadcast->setGeometry(23, 29, 110, 17);
    // clicked fires for the user only; Refresh sets the mark without running the handler.
    connect(broadcast, &QCheckBox::clicked, this, [this](bool on) { click([this, on] { model_.Chk1Click(on); }); });
    widgets_[broadcast->objectName()] = broadcast;

    auto radioGroup = [&](const QString& name, const QString& caption, QRect geometry, const QStringList& items,
                          std::function<void(int)> onClick) {
        auto* box = new QGroupBox(caption, g);
        box->setObjectName(name);
        box->setGeometry(geometry);
        auto* buttons = new QButtonGroup(box);
        const int columnWidth = (geometry.width() - 16) / int(items.size());
        for (int i = 0; i < items.size(); ++i) {
            auto* b = new QRadioButton(items[i], box);
            b->setGeometry(8 + i * columnWidth, 18, columnWidth, 18);
            buttons->addButton(b, i);
        }
        // idClicked comes from the user only, so selecting from code never sends a command.
        connect(buttons, &QButtonGroup::idClicked, this, [this, onClick](int id) { click([onClick, id] { onClick(id); }); });
        widgets_[name] = box;
        return buttons;
    };
    bandwidth_ = radioGroup(QStringLiteral("rgBandwidth"), QStringLiteral("Bandwidth Khz"), QRect(139, 8, 265, 42),
                            {QStringLiteral("12.5"), QStringLiteral("25"), QStringLiteral("50"), QStringLiteral("100"),
                             QStringLiteral("300")},
                            [this](int i) { model_.RgBandwidthClick(i); });
    dcs_ = radioGroup(QStringLiteral("rgDCS"), QStringLiteral("Digital Chanel Separation (see Help)"),
                      QRect(139, 56, 265, 42), {QStringLiteral("ON"), QStringLiteral("OFF")},
                      [this](int i) { model_.RgDCSClick(i); });
    compatibility_ = radioGroup(QStringLiteral("rgCompatibility"), QStringLiteral("Version compatibility"),
                                QRect(14, 56, 119, 42), {QStringLiteral("V3"), QStringLiteral("V2")},
                                [this](int i) { model_.RgCompatibilityClick(i); });
    dcs_->setExclusive(true);
}

void TfrmMain::buildStatus()
{
    auto* g = new QGroupBox(QStringLiteral("Kivo Status"), this);
    g->setObjectName(QStringLiteral("gbStatus"));
    g->setGeometry(8, 302, 417, 82);
    widgets_[g->objectName()] = g;
    for (int i = 0; i < 12; ++i) {
        auto* led = new ClickLabel(QString(QChar(0x25CF)), g);
        led->setObjectName(QStringLiteral("LED%1").arg(i));
        led->setGeometry(27 + 32 * i, 24, 16, 17);
        led->setFont(pixelFont(QStringLiteral("Sans"), 16));
        led->setCursor(Qt::PointingHandCursor);
        led->onClick = [this, i] { click([this, i] { model_.LEDClick(i); }); };
        widgets_[led->objectName()] = led;
        leds_[std::size_t(i)] = led;

        auto* jlab = new ClickLabel(QStringLiteral("J%1").arg(i), g);
        jlab->setObjectName(QStringLiteral("JLab%1").arg(i));
        jlab->setGeometry(i < 10 ? 30 + 32 * i : (i == 10 ? 347 : 379), 43, 28, 16);
        jlab->onClick = [this, i] { click([this, i] { model_.JLabClick(i); }); };
        widgets_[jlab->objectName()] = jlab;
        jlabs_[std::size_t(i)] = jlab;
        lampChanged(i);
    }
    label(g, QStringLiteral("lblEcho"), QString(), 72, 8, 330);
    label(g, QStringLiteral("lbl1"), QStringLiteral("Firmware versions:"), 0, 62, 128, true);
    label(g, QStringLiteral("lblKVVer"), QString(), 131, 62, 270);
}

void TfrmMain::buildAwards()
{
    auto* g = new QGroupBox(QStringLiteral("Awards"), this);
    g->setObjectName(QStringLiteral("gbInput"));
    g->setGeometry(431, 71, 106, 315);
    widgets_[g->objectName()] = g;
    for (int i = 0; i < 12; ++i) {
        label(g, QStringLiteral("lblJ%1").arg(i), QStringLiteral("J%1").arg(i), i < 10 ? 16 : 13, 27 + 24 * i);
        auto* award = new QLabel(g);
        award->setObjectName(QStringLiteral("J%1").arg(i));
        award->setGeometry(32, 22 + 24 * i, 65, 23);
        award->setAlignment(Qt::AlignCenter);
        award->setFont(pixelFont(QStringLiteral("Segoe UI"), 19));
        widgets_[award->objectName()] = award;
        awards_[std::size_t(i)] = award;
    }
}

void TfrmMain::buildEcho()
{
    label(this, QStringLiteral("lblLoops"), QStringLiteral("Test loops"), 480, 74, 80, true);
    auto* loops = new QSpinBox(this);
    loops->setObjectName(QStringLiteral("TestSpinEdit"));
    loops->setGeometry(621, 69, 56, 24);
    loops->setRange(1, 10000);
    loops->setValue(10);
    connect(loops, &QSpinBox::valueChanged, this, [this](int v) { click([this, v] { model_.TestSpinEditChange(v); }); });
    widgets_[loops->objectName()] = loops;

    label(this, QStringLiteral("Label1"), QStringLiteral("Test delay"), 480, 98, 80, true);
    auto* delay = new QSpinBox(this);
    delay->setObjectName(QStringLiteral("TestDelaySpinEdit"));
    delay->setGeometry(621, 93, 56, 24);
    delay->setRange(130, 300);
    delay->setSingleStep(10);
    delay->setValue(180);
    connect(delay, &QSpinBox::valueChanged, this,
            [this](int v) { click([this, v] { model_.TestDelaySpinEditChange(v); }); });
    widgets_[delay->objectName()] = delay;

    label(this, QStringLiteral("Label9"), QStringLiteral("Duration:"), 680, 74, 58, true);
    label(this, QStringLiteral("lblTime"), QString(), 741, 74, 80);

    auto* abort = new QPushButton(QStringLiteral("Abort test"), this);
    abort->setObjectName(QStringLiteral("btnAbort"));
    abort->setGeometry(678, 91, 125, 25);
    connect(abort, &QPushButton::clicked, this, [this] { click([this] { model_.BtnAbortClick(); }); });
    widgets_[abort->objectName()] = abort;

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlEcho"));
    panel->setGeometry(543, 117, 275, 250);
    panel->setAutoFillBackground(true);
    widgets_[panel->objectName()] = panel;
    label(panel, QStringLiteral("Label19"), QStringLiteral("Test Results"), 8, 8);
    QLabel* missed = label(panel, QStringLiteral("Label8"), QStringLiteral("Missed"), 168, 5, 79);
    missed->setAlignment(Qt::AlignCenter);
    label(panel, QStringLiteral("Label2"), QStringLiteral("Kivo"), 8, 24);
    struct Head {
        const char* name;
        const char* text;
        int x;
        int w;
    };
    for (const Head h : {Head{"Label3", "Replies", 42, 61}, Head{"Label4", "Resends", 96, 66},
                         Head{"Label5", "Reads", 161, 49}, Head{"Label7", "Sends", 216, 57}}) {
        QLabel* l = label(panel, QString::fromLatin1(h.name), QString::fromLatin1(h.text), h.x, 24, h.w);
        l->setAlignment(Qt::AlignCenter);
    }
    for (const char* red : {"Label5", "Label7", "Label8"})
        setTextColour(widgets_[QString::fromLatin1(red)], Qt::red);
    for (int i = 0; i < 12; ++i) {
        QLabel* pad = label(panel, QStringLiteral("Pad%1").arg(i), QString::number(i), i < 10 ? 16 : 9, 48 + 16 * i, 260);
        pad->setFont(pixelFont(QStringLiteral("Courier New"), 12));
        pads_[std::size_t(i)] = pad;
    }

    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("ProgressBar"));
    progress->setGeometry(543, 368, 275, 18);
    progress->setTextVisible(false);
    progress->hide();
    widgets_[progress->objectName()] = progress;
}

QWidget* TfrmMain::widget(const QString& name) const
{
    const auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QAction* TfrmMain::action(const QString& name) const
{
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TfrmMain::setCaption(const QString& name, const QString& text)
{
    if (QAction* a = action(name)) {
        a->setText(text);
        return;
    }
    QWidget* w = widget(name);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
}

QString TfrmMain::caption(const QString& name) const
{
    if (QAction* a = action(name))
        return a->text();
    QWidget* w = widget(name);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

void TfrmMain::setItems(const QString& name, const QStringList& items)
{
    QButtonGroup* group = name == QLatin1String("rgDCS") ? dcs_
                          : name == QLatin1String("rgCompatibility") ? compatibility_
                                                                      : nullptr;
    if (!group)
        return;
    for (int i = 0; i < items.size(); ++i)
        if (QAbstractButton* b = group->button(i))
            b->setText(items[i]);
}

void TfrmMain::applyModel()
{
    setCaption(QStringLiteral("lblFirmware"), model_.lblFirmware);
    setCaption(QStringLiteral("lblPort"), model_.lblPort);
    setCaption(QStringLiteral("lblChannel"), model_.lblChannel);
    setCaption(QStringLiteral("lblKVVer"), model_.lblKVVer);
    echoTextChanged();
    timeChanged();
    widget(QStringLiteral("lblTime"))->setVisible(model_.lblTimeVisible);
    if (QAbstractButton* b = bandwidth_->button(model_.rgBandwidth))
        b->setChecked(true);
    if (QAbstractButton* b = compatibility_->button(model_.rgCompatibility))
        b->setChecked(true);
    widget(QStringLiteral("rgCompatibility"))->setVisible(model_.rgCompatibilityVisible);
    if (QAbstractButton* b = dcs_->button(model_.rgDCS))
        b->setChecked(true);
    qobject_cast<QCheckBox*>(widget(QStringLiteral("chk1")))->setChecked(model_.chk1);
    auto* channel = qobject_cast<QSpinBox*>(widget(QStringLiteral("ChannelSpinEdit")));
    channel->setValue(model_.ChannelSpinEdit);
    auto* command = qobject_cast<QLineEdit*>(widget(QStringLiteral("edtCommand")));
    command->setPlaceholderText(model_.edtCommandCue);
    if (command->text() != model_.edtCommand)
        command->setText(model_.edtCommand);
    for (const QString& name : WindowModel::RefreshedControls()) {
        if (QAction* a = action(name))
            a->setEnabled(model_.enabled(name));
        else if (QWidget* w = widget(name))
            w->setEnabled(model_.enabled(name));
    }
    for (const QString& name : {QStringLiteral("btnCmd"), QStringLiteral("edtCommand"), QStringLiteral("rgBandwidth")})
        widget(name)->setVisible(model_.visible(name));
    action(QStringLiteral("SpTBXCharTest"))->setVisible(model_.visible(QStringLiteral("SpTBXCharTest")));
}

void TfrmMain::logLine(const QString& line)
{
    log_->append(line);
}

void TfrmMain::logCleared()
{
    log_->clear();
}

void TfrmMain::lampChanged(int j)
{
    setTextColour(leds_[std::size_t(j)], model_.lampGreen[std::size_t(j)] ? QColor(0, 255, 0) : QColor(255, 0, 0));
    jlabs_[std::size_t(j)]->setCursor(model_.handCursor[std::size_t(j)] ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmMain::awardChanged(int j)
{
    awards_[std::size_t(j)]->setText(model_.awards[std::size_t(j)]);
}

void TfrmMain::echoTextChanged()
{
    setCaption(QStringLiteral("lblEcho"), model_.lblEcho);
}

void TfrmMain::reportChanged(int j)
{
    QLabel* pad = pads_[std::size_t(j)];
    pad->setText(model_.reportText[std::size_t(j)]);
    setTextColour(pad, model_.reportColour[std::size_t(j)] == TextColour::Red ? QColor(Qt::red)
                                                                              : palette().color(QPalette::WindowText));
}

void TfrmMain::progressChanged()
{
    auto* bar = qobject_cast<QProgressBar*>(widget(QStringLiteral("ProgressBar")));
    bar->setMaximum(std::max(model_.progressMax, 1));
    bar->setValue(std::min(model_.progressPosition, bar->maximum()));
    bar->setVisible(model_.progressVisible);
    if (model_.progressVisible)
        widget(QStringLiteral("pnlEcho"))->raise();
}

void TfrmMain::timeChanged()
{
    setCaption(QStringLiteral("lblTime"), model_.lblTime);
}

void TfrmMain::cursorChanged()
{
    if (model_.busy == busy_)
        return;
    busy_ = model_.busy;
    if (busy_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmMain::monitoringChanged()
{
    // Dark while not monitoring; a flash of the lit colour on activity.
    for (auto [light, colour] : {std::pair{lightRx_, QColor(Qt::blue)}, std::pair{lightTx_, QColor(128, 0, 0)}}) {
        QPalette p = light->palette();
        p.setColor(QPalette::Window, colour);
        light->setPalette(p);
    }
}

void TfrmMain::lightActivity(bool receive)
{
    if (!model_.monitoring)
        return;
    QLabel* light = receive ? lightRx_ : lightTx_;
    QPalette p = light->palette();
    p.setColor(QPalette::Window, receive ? QColor(Qt::cyan) : QColor(Qt::red));
    light->setPalette(p);
    QTimer::singleShot(60, this, [this] { monitoringChanged(); });
}

void TfrmMain::message(const QString& text)
{
    showMessage(QMessageBox::Information, text);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (onClose)
        click(onClose);
    event->accept();
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The log pane has no height at the design size and grows with the window.
    if (logView_)
        logView_->setGeometry(8, 394, 498, std::max(0, height() - kClientHeight));
}
