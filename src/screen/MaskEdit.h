// A masked entry field that behaves as the program's masked edits do.
//
// The mask is given in the program's own notation ("!99/99/00;1;_": `9` optional digit, `0`
// required digit, `#` optional digit or sign, `!` optional places kept as leading blanks, `/` the
// locale's date separator, then whether literals are kept and the blank character) and translated
// to a Qt input mask. programText() is the text as the program reads it: empty places are blanks,
// and with `!` the characters of each run of places stand right-aligned. Leaving the field for
// another control of the same window first refuses an edited field whose required places are not
// all filled, then emits fieldExit(); a handler that wants the focus back simply calls
// setFocus(). Leaving it for a control marked as leaving the window without change (its Cancel
// button) checks nothing. Escape gives an edited field its earlier text back and still reaches
// the window, so that a dialog closes on it whatever the field holds.
//
// Entering the field other than by a click (Tab, Backtab, a shortcut, the window's opening, the
// program) selects its whole text, so that what is typed replaces it; Qt alone puts the caret on
// the first place and keeps the old characters, which the typed ones then merge with ("11/1/26"
// typed over "12/ 7/26" gave "11/17/26"). The focus
// coming back from a message box or a menu is no new entry and selects nothing. A typed character
// replaces a selection before keyPressed() is emitted, so its receivers read the text without it.
//
// Empty places show the mask's blank character only while the field is being edited, from its
// entry until it is left (or its window hidden); otherwise they show blanks, and the text stands as
// programText() reads it (" 6/ 1/25", not "_6/_1/25"). What the program reads is the same either
// way.
//
// A field of one run of places may show a text plainly (showPlain): as given, without the mask's
// placeholders or padding, as a number field does when its window opens. The first key that
// edits the field brings the mask back, the text standing where it was seen; setProgramText
// brings it back with the text padded as the mask says. Escape after an edit returns to the plain
// text. programText() reads a plain text as the mask would.
#pragma once

#include <QLineEdit>
#include <QString>
#include <vector>

namespace kvl {

// The Qt input mask for a mask in the program's notation, with `/` standing for dateSeparator.
QString QtInputMask(const QString& programMask, QChar dateSeparator);

class TMaskEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TMaskEdit(QWidget* parent = nullptr);

    void setEditMask(const QString& programMask);
    const QString& editMask() const { return programMask_; }

    QString programText() const;
    // Takes text in the program's form; a run of places given fewer characters than it holds is
    // padded as the mask says (on the left with `!`).
    void setProgramText(const QString& text);
    void showPlain(const QString& text);
    bool showsPlain() const { return plain_; }

    // Marks control as leaving its window without change: moving the focus to it runs no field's
    // check.
    static void MarkLeavesWithoutChange(QWidget* control);

  signals:
    // The field lost the focus to another control of its window and its text passed the mask.
    void fieldExit();
    // A key is about to be handled by the field; a receiver sets *swallow to keep it from the
    // field.
    void keyPressed(QKeyEvent* event, bool* swallow);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The text with each run of places filled as the mask says, blanks shown as the blank
    // character; and the program's reading of such a text.
    QString layout(const QString& text) const;
    QString read(const QString& shown) const;
    void restoreMask();
    void leavePlainForEdit();
    void endVisit();
    // Empty places show the mask's blank character while the field is being edited, and a blank
    // otherwise.
    QChar shownBlank() const { return entered_ ? blank_ : QLatin1Char(' '); }
    void applyMask(QChar blank);
    void showBlanks();

    struct Place {
        bool input;
        QChar literal;  // for an input place, its letter in the program's mask
        int run;        // index of the run of input places, -1 for a literal
    };
    // Whether some place of the mask takes c, as input or as its literal.
    bool Takes(QChar c) const;

    QString programMask_;
    QString qtMask_;
    std::vector<Place> places_;
    QChar blank_ = QLatin1Char('_');
    QChar maskBlank_;  // the blank character of the Qt mask in use
    bool keepLiterals_ = true;
    bool leadingBlanks_ = false;
    QString textOnEntry_;
    bool entered_ = false;
    // Entered from the keyboard and not yet touched: the first key that edits replaces the text.
    bool typeOver_ = false;
    bool plain_ = false;
    bool plainOnEntry_ = false;
    int runs_ = 0;
    int firstInput_ = 0;
    int inputPlaces_ = 0;
};

}  // namespace kvl
