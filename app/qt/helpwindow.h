// The help window: HTML pages from the installation folder's help/ folder, one page per
// help context number (help/<number>.html), with help/index.html as the finder page.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace appqt {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFinderPage = -1;
    explicit HelpWindow(const QString& helpDir, QWidget* parent = nullptr);

    // Shows the page of a help context number (the finder page when there is none).
    void showContext(int number);
    // The page file that showContext(number) opens.
    QString pageFor(int number) const;
    QTextBrowser* browser() const { return browser_; }

    // Centres the window over the frame, whole on the screen.
    void placeOnScreen();

private:
    QString dir_;
    QTextBrowser* browser_;
};

// The help folder of the installation, for help asked before the frame exists (the
// log-on dialog).
void setHelpFolder(const QString& dir);
void showStandaloneHelp(int number);

}  // namespace appqt
