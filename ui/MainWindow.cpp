#include "MainWindow.h"

#include "EventLoop.h"
#include "LogModel.h"
#include "LogView.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
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
constexpr int kLabelHeight = 18;

// The window's faces where they are installed, a metric-alike or the style hint's choice where not.
QFont uiFont(int pixels)
{
    QFont font;
    // Selawik shares Segoe UI's metrics; the others are near enough.
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Selawik"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

// The report lines and the log line up in columns only in a fixed-pitch face.
QFont monoFont(int pixels)
{
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixels);
    return font;
}

// The window's font, or one that makes text fit in available pixels: condensed first, then
// smaller. A wider stand-in face or a longer translation is then shown whole.
QFont fittedFont(const QFont& normal, const QString& text, int available)
{
    const int needed = QFontMetrics(normal).horizontalAdvance(text);
    if (needed <= available || needed <= 0 || available <= 0)
        return normal;
    QFont font = normal;
    font.setStretch(std::max(75, 100 * available / needed));
    while (QFontMetrics(font).horizontalAdvance(text) > available && font.pixelSize() > 9)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QFont inheritedFont(const QWidget* w)
{
    return w->parentWidget() ? w->parentWidget()->font() : w->font();
}

void fitGroupTitle(QGroupBox* g)
{
    const QFont normal = inheritedFont(g);
    const QFont title = fittedFont(normal, g->title(), g->width() - 14);
    if (title == g->font())
        return;
    // The group's font would pass to its controls; they keep the window's.
    for (QWidget* child : g->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->testAttribute(Qt::WA_SetFont))
            child->setFont(normal);
    g->setFont(title);
}

void fitButton(QAbstractButton* b)
{
    // Room left beside a check box's indicator, or inside a button's frame.
    const int room = b->width() - (qobject_cast<QCheckBox*>(b) ? 22 : 10);
    b->setFont(fittedFont(inheritedFont(b), b->text(), room));
}

void fitCue(QLineEdit* edit)
{
    const QFont font = fittedFont(inheritedFont(edit), edit->placeholderText(), edit->width() - 12);
    if (font != edit->font())
        edit->setFont(font);
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

// The toolbar's pictures, drawn here so that no icon font has to be installed: the same subjects
// as the glyphs they stand for, blue unless the picture says otherwise.
QIcon drawnIcon(int index)
{
    const QColor blue(0, 0, 255);
    const QColor red(255, 0, 0);
    const QColor green(0, 128, 0);
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2); // drawn on a 24 by 24 grid, sharp at twice the size
    const auto pen = [&](const QColor& c, qreal width) {
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
    };
    const auto fill = [&](const QColor& c) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
    };
    const auto text = [&](const QString& t, const QRectF& r, int pixels, const QColor& c) {
        QFont f = uiFont(pixels);
        f.setBold(true);
        p.setFont(f);
        p.setPen(c);
        p.drawText(r, Qt::AlignCenter, t);
    };
    switch (index) {
    case 0: // close-circle
        fill(red);
        p.drawEllipse(QPointF(12, 12), 10, 10);
        pen(Qt::white, 2.4);
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
        break;
    case 1: // account
        fill(blue);
        p.drawEllipse(QPointF(12, 8), 4.5, 4.5);
        p.drawChord(QRectF(4, 14, 16, 14), 0, 180 * 16);
        break;
    case 2: // leak: a source in the corner and what spreads from it
        fill(blue);
        p.drawPie(QRectF(-3, -3, 12, 12), 270 * 16, 90 * 16);
        pen(blue, 2);
        p.drawArc(QRectF(-8, -8, 22, 22), 270 * 16, 90 * 16);
        p.drawArc(QRectF(-13, -13, 32, 32), 270 * 16, 90 * 16);
        p.drawArc(QRectF(-18, -18, 42, 42), 270 * 16, 90 * 16);
        break;
    case 3: // antenna
        pen(blue, 2);
        p.drawLine(QPointF(12, 10), QPointF(7, 22));
        p.drawLine(QPointF(12, 10), QPointF(17, 22));
        p.drawLine(QPointF(9, 17), QPointF(15, 17));
        p.drawArc(QRectF(5, 1, 14, 14), 120 * 16, 120 * 16);
        p.drawArc(QRectF(5, 1, 14, 14), -60 * 16, 120 * 16);
        p.drawArc(QRectF(1, -3, 22, 22), 125 * 16, 110 * 16);
        p.drawArc(QRectF(1, -3, 22, 22), -55 * 16, 110 * 16);
        fill(blue);
        p.drawEllipse(QPointF(12, 8), 2, 2);
        break;
    case 4: { // eye-off-outline
        pen(blue, 1.8);
        QPainterPath eye;
        eye.moveTo(2, 12);
        eye.quadTo(12, 2, 22, 12);
        eye.quadTo(12, 22, 2, 12);
        p.drawPath(eye);
        p.drawEllipse(QPointF(12, 12), 3, 3);
        pen(blue, 2);
        p.drawLine(QPointF(4, 3), QPointF(20, 21));
        break;
    }
    case 5: { // serial-port: the plug's shell with its two rows of pins
        pen(blue, 1.8);
        QPainterPath shell;
        shell.moveTo(2, 7);
        shell.lineTo(22, 7);
        shell.lineTo(19, 17);
        shell.lineTo(5, 17);
        shell.closeSubpath();
        p.drawPath(shell);
        fill(blue);
        for (int i = 0; i < 5; ++i)
            p.drawEllipse(QPointF(6 + 3 * i, 10.5), 1.1, 1.1);
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QPointF(7.5 + 3 * i, 14), 1.1, 1.1);
        break;
    }
    case 6: // lock
    case 7: // lock-open-variant
        pen(blue, 2.2);
        if (index == 6)
            p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
        else
            p.drawArc(QRectF(13, 1, 10, 12), 0, 180 * 16);
        if (index == 6) {
            p.drawLine(QPointF(7, 9), QPointF(7, 11));
            p.drawLine(QPointF(17, 9), QPointF(17, 11));
        } else {
            p.drawLine(QPointF(13, 7), QPointF(13, 11));
        }
        fill(blue);
        p.drawRoundedRect(QRectF(4, 11, 16, 11), 2, 2);
        fill(Qt::white);
        p.drawEllipse(QPointF(12, 16.5), 1.8, 1.8);
        break;
    case 8: // alphabet-greek
        text(QStringLiteral("\u03B1\u03B2"), QRectF(0, 0, 24, 24), 15, blue);
        break;
    case 9: // magnify
        pen(blue, 2.4);
        p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
        pen(blue, 3.5);
        p.drawLine(QPointF(15, 15), QPointF(21, 21));
        break;
    case 10: // run, green
        fill(green);
        p.drawEllipse(QPointF(15, 3.5), 2.5, 2.5);
        pen(green, 2.6);
        p.drawLine(QPointF(13, 8), QPointF(10, 15));     // body
        p.drawLine(QPointF(10, 15), QPointF(14, 18));    // thigh
        p.drawLine(QPointF(14, 18), QPointF(13, 23));    // shin
        p.drawLine(QPointF(10, 15), QPointF(7, 19));     // other thigh
        p.drawLine(QPointF(7, 19), QPointF(2, 19));
        p.drawLine(QPointF(13, 8), QPointF(8, 9));       // arm
        p.drawLine(QPointF(8, 9), QPointF(6, 13));
        p.drawLine(QPointF(13, 8), QPointF(16, 12));     // other arm
        p.drawLine(QPointF(16, 12), QPointF(20, 12));
        break;
    case 11: // tools: a wrench across a screwdriver
        pen(blue, 2.6);
        p.drawLine(QPointF(5, 5), QPointF(15, 15));
        pen(blue, 4.5);
        p.drawLine(QPointF(15, 15), QPointF(20, 20));
        pen(blue, 2.6);
        p.drawLine(QPointF(5, 19), QPointF(15, 9));
        p.drawArc(QRectF(13, 2, 9, 9), -135 * 16, 270 * 16);
        break;
    case 12: // translate: one script beside another
        text(QStringLiteral("\u042F"), QRectF(0, 0, 14, 14), 12, blue);
        text(QStringLiteral("A"), QRectF(9, 9, 15, 15), 14, blue);
        break;
    case 13: // help
        fill(blue);
        p.drawEllipse(QPointF(12, 12), 10, 10);
        text(QStringLiteral("?"), QRectF(0, 0, 24, 24), 15, Qt::white);
        break;
    default:
        break;
    }
    p.end();
    return QIcon(pixmap);
}

// Group titles on the frame line, with the controls placed from the group's top edge; the toolbar
// in the colour of an inactive caption's gradient.
const char* const kStyleSheet = R"(
QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 7px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0px 1px; }
QToolBar { background: rgb(215, 228, 242); border: none; spacing: 0px; }
)";

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
    setWindowIcon(drawnIcon(3));
    setFont(uiFont(12));
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    resize(kClientWidth, kClientHeight);
    buildToolbar();
    buildBaseStation();
    buildSystem();
    buildStatus();
    buildAwards();
    buildEcho();

    log_ = new LogModel(this);
    logView_ = new LogView(this);
    logView_->setObjectName(QStringLiteral("lbxLog"));
    logView_->setModel(log_);
    logView_->setFont(monoFont(13));
    logView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    widgets_[QStringLiteral("lbxLog")] = logView_;
    logView_->setGeometry(8, 394, 498, 0);
    showDesignState();
    equaliseToolbar();
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
    if (presentMessage)
        presentMessage(box);
    else
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

QLabel* TfrmMain::label(QWidget* parent, const QString& name, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    widgets_[name] = l;
    autoSized_[name] = true;
    fitLabel(l);
    return l;
}

QLabel* TfrmMain::fixedLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, kLabelHeight);
    widgets_[name] = l;
    return l;
}

QLabel* TfrmMain::captionLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w)
{
    QLabel* l = fixedLabel(parent, name, text, x, y, w);
    condensable_.insert(name);
    fitLabel(l);
    return l;
}

QLabel* TfrmMain::rightLabel(QWidget* parent, const QString& name, const QString& text, int right, int y,
                             int leftLimit)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->move(0, y);
    widgets_[name] = l;
    rightEdges_[name] = {right, leftLimit};
    fitLabel(l);
    return l;
}

void TfrmMain::fitLabel(QLabel* l)
{
    // A translated caption may be longer or shorter than the English one: the label follows its
    // text, growing to the left when it is right-aligned, and never covers more than its text
    // nor the control beside it.
    const QString name = l->objectName();
    if (const auto edge = rightEdges_.find(name); edge != rightEdges_.end()) {
        const auto [right, leftLimit] = edge->second;
        l->setFont(fittedFont(inheritedFont(l), l->text(), right - leftLimit));
        const int width = std::min(l->sizeHint().width(), right - leftLimit);
        l->setGeometry(right - width, l->y(), width, kLabelHeight);
    } else if (autoSized_.count(name) != 0) {
        l->resize(l->sizeHint().width(), std::max(kLabelHeight, l->sizeHint().height()));
    } else if (condensable_.count(name) != 0) {
        l->setFont(fittedFont(inheritedFont(l), l->text(), l->width() - 2));
    }
}

QAction* TfrmMain::item(const QString& name, const QString& caption, int icon)
{
    auto* a = new QAction(drawnIcon(icon), caption, this);
    a->setObjectName(name);
    actions_[name] = a;
    return a;
}

void TfrmMain::equaliseToolbar()
{
    int width = 0;
    for (QToolButton* b : toolButtons_) {
        b->setMinimumWidth(0);
        b->setMaximumWidth(QWIDGETSIZE_MAX);
        width = std::max(width, b->sizeHint().width());
    }
    for (QToolButton* b : toolButtons_)
        b->setFixedWidth(width);
}

void TfrmMain::buildToolbar()
{
    auto* bar = new QToolBar(this);
    toolbar_ = bar;
    bar->setObjectName(QStringLiteral("SpTBXToolbar1"));
    bar->setGeometry(0, 0, kClientWidth, 64);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(24, 24));

    auto addButton = [&](QAction* a, QMenu* menu = nullptr) {
        auto* button = new QToolButton(bar);
        button->setDefaultAction(a);
        button->setObjectName(a->objectName() + QStringLiteral("Button"));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        toolButtons_.push_back(button);
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
    yourLanguage->setIcon(QIcon());
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
    lightRx_ = fixedLabel(g, QStringLiteral("apdstslghtRX"), QString(), 171, 14, 13);
    lightTx_ = fixedLabel(g, QStringLiteral("apdstslghtTX"), QString(), 198, 14, 13);
    for (QLabel* light : {lightRx_, lightTx_}) {
        light->setFixedSize(13, 13);
        light->setAutoFillBackground(true);
    }
    label(g, QStringLiteral("lblTX"), QStringLiteral("TX"), 217, 13);
    monitoringChanged();
    rightLabel(g, QStringLiteral("lbl12"), QStringLiteral("Firmware version:"), 120, 32, 4);
    fixedLabel(g, QStringLiteral("lblFirmware"), QString(), 124, 32, 170);
    rightLabel(g, QStringLiteral("Label6"), QStringLiteral("Port:"), 120, 48, 4);
    fixedLabel(g, QStringLiteral("lblPort"), QString(), 124, 48, 170);
    rightLabel(g, QStringLiteral("lbl15"), QStringLiteral("Active channel:"), 120, 64, 4);
    fixedLabel(g, QStringLiteral("lblChannel"), QString(), 124, 64, 170);
    rightLabel(g, QStringLiteral("lbl14"), QStringLiteral("Target channel:"), 120, 88, 4);

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
        const int columnWidth = (geometry.width() - 12) / int(items.size());
        for (int i = 0; i < items.size(); ++i) {
            auto* b = new QRadioButton(items[i], box);
            b->setGeometry(6 + i * columnWidth, 18, columnWidth, 18);
            buttons->addButton(b, i);
        }
        fitGroupTitle(box);
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
        led->setFont(uiFont(16));
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
    fixedLabel(g, QStringLiteral("lblEcho"), QString(), 72, 8, 330);
    rightLabel(g, QStringLiteral("lbl1"), QStringLiteral("Firmware versions:"), 127, 62, 4);
    fixedLabel(g, QStringLiteral("lblKVVer"), QString(), 131, 62, 270);
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
        award->setFont(uiFont(19));
        widgets_[award->objectName()] = award;
        awards_[std::size_t(i)] = award;
    }
}

void TfrmMain::buildEcho()
{
    rightLabel(this, QStringLiteral("lblLoops"), QStringLiteral("Test loops"), 617, 74, 541);
    auto* loops = new QSpinBox(this);
    loops->setObjectName(QStringLiteral("TestSpinEdit"));
    loops->setGeometry(621, 69, 56, 24);
    loops->setRange(1, 10000);
    loops->setValue(10);
    connect(loops, &QSpinBox::valueChanged, this, [this](int v) { click([this, v] { model_.TestSpinEditChange(v); }); });
    widgets_[loops->objectName()] = loops;

    rightLabel(this, QStringLiteral("Label1"), QStringLiteral("Test delay"), 617, 98, 541);
    auto* delay = new QSpinBox(this);
    delay->setObjectName(QStringLiteral("TestDelaySpinEdit"));
    delay->setGeometry(621, 93, 56, 24);
    delay->setRange(130, 300);
    delay->setSingleStep(10);
    delay->setValue(180);
    connect(delay, &QSpinBox::valueChanged, this,
            [this](int v) { click([this, v] { model_.TestDelaySpinEditChange(v); }); });
    widgets_[delay->objectName()] = delay;

    rightLabel(this, QStringLiteral("Label9"), QStringLiteral("Duration:"), 737, 74, 680);
    fixedLabel(this, QStringLiteral("lblTime"), QString(), 741, 74, 80);

    auto* abort = new QPushButton(QStringLiteral("Abort test"), this);
    abort->setObjectName(QStringLiteral("btnAbort"));
    abort->setGeometry(678, 91, 125, 25);
    connect(abort, &QPushButton::clicked, this, [this] { click([this] { model_.BtnAbortClick(); }); });
    widgets_[abort->objectName()] = abort;

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlEcho"));
    panel->setGeometry(543, 117, 275, 250);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    widgets_[panel->objectName()] = panel;
    label(panel, QStringLiteral("Label19"), QStringLiteral("Test Results"), 8, 8);
    QLabel* missed = captionLabel(panel, QStringLiteral("Label8"), QStringLiteral("Missed"), 168, 5, 79);
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
        QLabel* l = captionLabel(panel, QString::fromLatin1(h.name), QString::fromLatin1(h.text), h.x, 24, h.w);
        l->setAlignment(Qt::AlignCenter);
    }
    for (const char* red : {"Label5", "Label7", "Label8"})
        setTextColour(widgets_[QString::fromLatin1(red)], Qt::red);
    for (int i = 0; i < 12; ++i) {
        QLabel* pad = fixedLabel(panel, QStringLiteral("Pad%1").arg(i), QString::number(i), i < 10 ? 16 : 9,
                                 48 + 16 * i, 260);
        pad->setFont(monoFont(12));
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
        equaliseToolbar();
        return;
    }
    QWidget* w = widget(name);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
        fitLabel(l);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
        fitButton(b);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
        fitGroupTitle(g);
    }
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
    fitCue(command);
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
    // The toolbar's dock spans the window.
    if (toolbar_)
        toolbar_->resize(width(), toolbar_->height());
    // The log pane has no height at the design size and grows with the window.
    if (logView_)
        logView_->setGeometry(8, 394, 498, std::max(0, height() - kClientHeight));
}
