#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTextBrowser;

// The user's guide shipped with the program, in a window of its own that stays
// open beside the catalogue, with a search field: Invio or F3 finds the next
// place, Maiusc+Invio or Maiusc+F3 the previous one, past the end round to the
// start, and a line below says when nothing is found.
class GuideWindow : public QDialog {
    Q_OBJECT
public:
    explicit GuideWindow(QWidget* parent = nullptr);

    // Finds the search field's text after the current place, or before it when
    // `backward`; returns whether it is anywhere in the guide.
    bool findNext(bool backward = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeSearchRow();
    void findAsTyped();
    void tell(const QString& outcome);

    QLineEdit* m_search = nullptr;
    QTextBrowser* m_text = nullptr;
    QLabel* m_outcome = nullptr;
};

// The guide's text, as shipped within the program.
QString guideHtml();
