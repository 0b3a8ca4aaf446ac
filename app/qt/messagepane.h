// The message pane: a tab row "タイミングチャート", "Word", "HTML" over three lists, of
// which only the selected one is shown. Lines that name a result file are clickable:
// the status bar shows the path under the mouse and a click opens the file with the
// shell 100 ms later.
#pragma once

#include <QListWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QTabBar;
class QStackedWidget;

namespace appqt {

class MessageList : public QListWidget {
    Q_OBJECT
public:
    explicit MessageList(QWidget* parent = nullptr);

signals:
    void hoverPath(const QString& path);  // empty when the line names no file
    void clickedPath(const QString& path);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    QString pathAt(const QPoint& pos) const;
    QString hovered_;
};

class MessagePane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOpenDelayMs = 100;  // timer 122
    explicit MessagePane(QWidget* parent = nullptr);

    // Appends a line (dropping the 100 oldest when the list holds more than 1000)
    // and scrolls to it.
    void append(int list, const QString& text);
    void clear(int list);
    void select(int list);
    int current() const;
    MessageList* list(int i) const { return lists_.at(i); }
    QTabBar* tabBar() const { return tabs_; }

    // How a clicked path is opened (the frame routes it through the services).
    void setOpener(std::function<void(const QString&)> f) { opener_ = std::move(f); }
    // Status bar text for the line under the mouse.
    void setStatusSink(std::function<void(const QString&)> f) { status_ = std::move(f); }

private:
    QTabBar* tabs_;
    QStackedWidget* stack_;
    std::array<MessageList*, 3> lists_{};
    QTimer openTimer_;
    QString pendingPath_;
    std::function<void(const QString&)> opener_;
    std::function<void(const QString&)> status_;
};

}  // namespace appqt
