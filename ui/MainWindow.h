#pragma once
#include "WindowModel.h"

#include <QLabel>
#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <map>
#include <set>
#include <vector>

class EventLoop;
class LogModel;
class LogView;
class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QToolButton;

// A label that takes clicks: the pad lamps and J-labels.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The main window's widgets. They show what the window model says and hand every click to it;
// the model decides what the click does.
class TfrmMain : public QWidget, public WindowModel::Observer {
public:
    TfrmMain(WindowModel& model, EventLoop& loop);
    ~TfrmMain() override;

    // Any control by its name: a widget, or a toolbar or menu item.
    QWidget* widget(const QString& name) const;
    QAction* action(const QString& name) const;
    QMenu* languageMenu() const { return langMenu_; }
    // Captions of translated controls, by component name.
    void setCaption(const QString& name, const QString& text);
    QString caption(const QString& name) const;
    void setItems(const QString& name, const QStringList& items);

    // Brings every control in line with the model (after Refresh and commands).
    void applyModel();
    // The start-up state: everything the model holds, awards, lamps and report lines included.
    void applyStartState();
    // A modal message with one OK button, its caption and button in the active language.
    void showMessage(QMessageBox::Icon icon, const QString& text);
    // Shows the box built by showMessage; exec() unless replaced (tests look at the box instead
    // of waiting for someone to press OK).
    std::function<void(QMessageBox&)> presentMessage;
    std::function<QString(const QString&)> dialogText;
    std::function<void()> onClose;
    std::function<void(int)> onLanguageClicked;   // the tag of a language item
    std::function<void()> onYourLanguageClicked;
    std::function<void()> onHelpClicked;

    // WindowModel::Observer
    void logLine(const QString& line) override;
    void logCleared() override;
    void refreshed() override { applyModel(); }
    void lampChanged(int j) override;
    void awardChanged(int j) override;
    void echoTextChanged() override;
    void reportChanged(int j) override;
    void progressChanged() override;
    void timeChanged() override;
    void cursorChanged() override;
    void monitoringChanged() override;
    void message(const QString& text) override;

    // Activity of the serial line for the two status lights.
    void lightActivity(bool receive);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showDesignState();
    void buildToolbar();
    void buildBaseStation();
    void buildSystem();
    void buildStatus();
    void buildAwards();
    void buildEcho();
    // A label that sizes itself to its text (again after every translation).
    QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y);
    // A label of fixed width.
    QLabel* fixedLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w);
    // A translated label of fixed width: its text is condensed to fit.
    QLabel* captionLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w);
    // A label that ends at x = right whatever the length of its text, next to the field it names,
    // and starts no further left than leftLimit.
    QLabel* rightLabel(QWidget* parent, const QString& name, const QString& text, int right, int y,
                       int leftLimit);
    void fitLabel(QLabel* l);
    QAction* item(const QString& name, const QString& caption, int icon);
    // All toolbar items as wide as the widest, after every caption change.
    void equaliseToolbar();
    // Runs a click through the general error handler.
    void click(const std::function<void()>& fn);

    WindowModel& model_;
    EventLoop& loop_;
    std::map<QString, QWidget*> widgets_;
    std::map<QString, QAction*> actions_;
    std::map<QString, std::pair<int, int>> rightEdges_; // right-aligned labels: right edge, left limit
    std::map<QString, bool> autoSized_;                 // labels that fit their text
    std::set<QString> condensable_;                     // fixed-width labels with translated text
    class QToolBar* toolbar_ = nullptr;
    std::vector<QToolButton*> toolButtons_;
    QMenu* langMenu_ = nullptr;
    LogModel* log_ = nullptr;
    LogView* logView_ = nullptr;
    QButtonGroup* bandwidth_ = nullptr;
    QButtonGroup* dcs_ = nullptr;
    QButtonGroup* compatibility_ = nullptr;
    std::array<ClickLabel*, 12> leds_{};
    std::array<ClickLabel*, 12> jlabs_{};
    std::array<QLabel*, 12> awards_{};
    std::array<QLabel*, 12> pads_{};
    QLabel* lightRx_ = nullptr;
    QLabel* lightTx_ = nullptr;
    bool busy_ = false;
};
