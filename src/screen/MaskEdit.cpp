#include "screen/MaskEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include "data/Clock.h"
#include "data/Messages.h"

namespace kvl {

namespace {

const QString kQtSpecial = QStringLiteral("AaNnXx90DdHhBb#><![]{}\\;");

struct ParsedMask {
    QString body;
    bool keepLiterals = true;
    QChar blank = QLatin1Char('_');
};

// Splits "body;save;blank" at its unescaped semicolons.
ParsedMask ParseMask(const QString& mask) {
    ParsedMask parsed;
    QStringList parts;
    QString current;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('\\') && i + 1 < mask.size()) {
            current += c;
            current += mask.at(++i);
        } else if (c == QLatin1Char(';') && parts.size() < 2) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    parsed.body = parts.value(0);
    if (parts.size() > 1) parsed.keepLiterals = parts.at(1).trimmed() != QLatin1String("0");
    if (parts.size() > 2 && !parts.at(2).isEmpty()) parsed.blank = parts.at(2).at(0);
    return parsed;
}

// The program's input places and the Qt mask letter that accepts the same characters. Qt reads
// `9` as required and `0` as optional, the reverse of the program.
QChar QtLetterFor(QChar c) {
    switch (c.unicode()) {
        case 'L':
            return QLatin1Char('A');
        case 'l':
            return QLatin1Char('a');
        case 'A':
            return QLatin1Char('N');
        case 'a':
            return QLatin1Char('n');
        case 'C':
            return QLatin1Char('X');
        case 'c':
            return QLatin1Char('x');
        case '0':
            return QLatin1Char('9');
        case '9':
            return QLatin1Char('0');
        case '#':
            return QLatin1Char('#');
        default:
            return QChar();
    }
}

QString QtLiteral(QChar c) {
    return kQtSpecial.contains(c) ? QStringLiteral("\\") + c : QString(c);
}

const char* const kLeavesWithoutChange = "kvlLeavesWithoutChange";

bool IsModifierKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
            return true;
        default:
            return false;
    }
}

bool IsTyped(const QKeyEvent* event) {
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

bool EditsText(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) return true;
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) return true;
    return IsTyped(event);
}

}  // namespace

QString QtInputMask(const QString& programMask, QChar dateSeparator) {
    const ParsedMask parsed = ParseMask(programMask);
    const QString& body = parsed.body;
    QString qt;
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('<') && i + 1 < body.size() && body.at(i + 1) == QLatin1Char('>')) {
            qt += QLatin1Char('!');
            ++i;
        } else if (c == QLatin1Char('>') || c == QLatin1Char('<')) {
            qt += c;
        } else if (c == QLatin1Char('\\') && i + 1 < body.size()) {
            qt += QtLiteral(body.at(++i));
        } else if (const QChar letter = QtLetterFor(c); !letter.isNull()) {
            qt += letter;
        } else if (c == QLatin1Char('/')) {
            qt += QtLiteral(dateSeparator);
        } else if (c == QLatin1Char('_')) {
            qt += QLatin1Char(' ');
        } else {
            qt += QtLiteral(c);
        }
    }
    qt += QLatin1Char(';');
    qt += parsed.blank;
    return qt;
}

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::MarkLeavesWithoutChange(QWidget* control) {
    control->setProperty(kLeavesWithoutChange, true);
}

void TMaskEdit::setEditMask(const QString& programMask) {
    programMask_ = programMask;
    const ParsedMask parsed = ParseMask(programMask);
    const QChar dateSeparator = RegionalSettings().dateSeparator;
    blank_ = parsed.blank;
    keepLiterals_ = parsed.keepLiterals;
    leadingBlanks_ = parsed.body.contains(QLatin1Char('!'));
    places_.clear();
    int run = -1;
    bool inRun = false;
    const QString& body = parsed.body;
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == QLatin1Char('!') || c == QLatin1Char('>') || c == QLatin1Char('<')) continue;
        if (!QtLetterFor(c).isNull()) {
            if (!inRun) ++run;
            inRun = true;
            places_.push_back({true, c, run});
            continue;
        }
        QChar literal = c;
        if (c == QLatin1Char('\\') && i + 1 < body.size())
            literal = body.at(++i);
        else if (c == QLatin1Char('/'))
            literal = dateSeparator;
        else if (c == QLatin1Char('_'))
            literal = QLatin1Char(' ');
        inRun = false;
        places_.push_back({false, literal, -1});
    }
    runs_ = run + 1;
    inputPlaces_ = 0;
    firstInput_ = -1;
    for (size_t p = 0; p < places_.size(); ++p) {
        if (!places_[p].input) continue;
        ++inputPlaces_;
        if (firstInput_ < 0) firstInput_ = static_cast<int>(p);
    }
    if (plain_) restoreMask();
    qtMask_ = QtInputMask(programMask, dateSeparator);
    applyMask(shownBlank());
}

void TMaskEdit::applyMask(QChar blank) {
    maskBlank_ = blank;
    setInputMask(qtMask_.chopped(1) + blank);
}

void TMaskEdit::showBlanks() {
    const QChar blank = shownBlank();
    if (places_.empty() || plain_ || maskBlank_ == blank) return;
    // The program reads the same text before and after, and so do the signals' receivers.
    const QString text = programText();
    const bool modified = isModified();
    const QSignalBlocker quiet(this);
    applyMask(blank);
    setText(layout(text));
    setModified(modified);
}

QString TMaskEdit::programText() const {
    if (places_.empty()) return text();
    return read(plain_ ? layout(text()) : displayText());
}

QString TMaskEdit::read(const QString& shown) const {
    QString result;
    size_t i = 0;
    while (i < places_.size()) {
        if (!places_[i].input) {
            if (keepLiterals_) result += places_[i].literal;
            ++i;
            continue;
        }
        const int run = places_[i].run;
        int width = 0;
        QString typed;
        for (; i < places_.size() && places_[i].run == run; ++i, ++width) {
            const QChar c = static_cast<int>(i) < shown.size() ? shown.at(i) : blank_;
            if (c != blank_ && c != QLatin1Char(' ')) typed += c;
        }
        const QString pad(width - typed.size(), QLatin1Char(' '));
        result += leadingBlanks_ ? pad + typed : typed + pad;
    }
    return result;
}

void TMaskEdit::setProgramText(const QString& text) {
    if (plain_) restoreMask();
    setText(places_.empty() ? text : layout(text));
}

QString TMaskEdit::layout(const QString& text) const {
    QString shown;
    int from = 0;
    size_t i = 0;
    while (i < places_.size()) {
        if (!places_[i].input) {
            shown += places_[i].literal;
            if (from < text.size() && text.at(from) == places_[i].literal) ++from;
            ++i;
            continue;
        }
        const int run = places_[i].run;
        int width = 0;
        while (i + width < places_.size() && places_[i + width].run == run) ++width;
        i += width;
        // The run's characters reach to the literal that follows it, or to the end of the text.
        int to = text.size();
        if (i < places_.size()) {
            const int at = text.indexOf(places_[i].literal, from);
            if (at >= 0) to = at;
        }
        QString part = text.mid(from, to - from).left(width);
        from = to;
        const QString pad(width - part.size(), QLatin1Char(' '));
        part = leadingBlanks_ ? pad + part : part + pad;
        part.replace(QLatin1Char(' '), shownBlank());
        shown += part;
    }
    return shown;
}

void TMaskEdit::showPlain(const QString& text) {
    if (runs_ != 1) {
        setProgramText(text);
        return;
    }
    const QString plain = text.trimmed().left(inputPlaces_);
    if (!plain_) {
        plain_ = true;
        setInputMask(QString());
        // Only what the places take; the mask's own refusal comes back with the first edit.
        static const QRegularExpression kPlaces(QStringLiteral("[0-9+\\- ]*"));
        setValidator(new QRegularExpressionValidator(kPlaces, this));
        setMaxLength(inputPlaces_);
    }
    setText(plain);
}

void TMaskEdit::restoreMask() {
    plain_ = false;
    const QValidator* plainValidator = validator();
    setValidator(nullptr);
    delete plainValidator;
    setMaxLength(32767);
    applyMask(shownBlank());
}

void TMaskEdit::leavePlainForEdit() {
    const QString plain = text();
    const bool all = !plain.isEmpty() && selectedText().size() == plain.size();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = static_cast<int>(selectedText().size());
    restoreMask();
    // The text stays where it was seen, from the first place on, with the placeholders after it;
    // a text selected whole is replaced whole, placeholders included.
    setText(plain);
    if (all)
        selectAll();
    else if (length > 0)
        setSelection(firstInput_ + start, length);
    else
        setCursorPosition(firstInput_ + start);
}

void TMaskEdit::focusInEvent(QFocusEvent* event) {
    // The field is entered once per visit: the focus coming back from a message box or a refusal
    // to leave does not make the current text the one Escape returns to.
    const bool newVisit = !entered_;
    entered_ = true;
    if (newVisit) showBlanks();
    QLineEdit::focusInEvent(event);
    if (newVisit) {
        textOnEntry_ = displayText();
        plainOnEntry_ = plain_;
        // Qt has just put the caret on the first place (also for the focus event that a dialog
        // sends its focus widget as it is shown); typing must replace the text instead. The line
        // control may still drop the selection later, from an update it had queued, so the first
        // key that edits selects the text again unless the user has moved the caret meanwhile.
        typeOver_ = event->reason() != Qt::MouseFocusReason;
        if (typeOver_) selectAll();
    }
}

void TMaskEdit::endVisit() {
    entered_ = false;
    typeOver_ = false;
    showBlanks();
}

void TMaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Another window taking the focus (a message box, a menu) is not leaving the field.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    // Cancel closes the window without change, whatever the field holds.
    if (const QWidget* next = QApplication::focusWidget();
        next && next->property(kLeavesWithoutChange).toBool()) {
        endVisit();
        return;
    }
    if (!places_.empty() && isModified() && !hasAcceptableInput()) {
        ShowMessage(MsgKind::Warning,
                    QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
        setFocus(Qt::OtherFocusReason);
        return;
    }
    endVisit();
    emit fieldExit();
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !places_.empty() && isModified()) {
        if (plainOnEntry_)
            showPlain(textOnEntry_);
        else
            setText(textOnEntry_);
        setModified(false);
        selectAll();
        // The window sees the key too: a dialog closes on Escape without change.
        event->ignore();
        return;
    }
    // A character no place takes leaves the text alone; over a selection Qt would remove the
    // selected text before refusing it.
    if (!places_.empty() && IsTyped(event) && !Takes(event->text().at(0))) {
        event->accept();
        return;
    }
    if (typeOver_ && !IsModifierKey(event)) {
        typeOver_ = false;
        if (EditsText(event) && selectedText().size() != displayText().size()) selectAll();
    }
    if (plain_ && EditsText(event)) leavePlainForEdit();
    // A typed character replaces the selection before anyone reads the text: an amount field's
    // separator key reformats what the field holds, and would otherwise keep the old whole part
    // and cents around the new ones ("12.34" typed over with ".5" gave "12.54").
    if (hasSelectedText() && IsTyped(event)) del();
    bool swallow = false;
    emit keyPressed(event, &swallow);
    if (swallow) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool TMaskEdit::Takes(QChar c) const {
    if (c == QLatin1Char(' ')) return true;
    for (const Place& place : places_) {
        if (!place.input) {
            if (place.literal == c) return true;
            continue;
        }
        switch (place.literal.unicode()) {
            case '0':
            case '9':
                if (c.isDigit()) return true;
                break;
            case '#':
                if (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-')) return true;
                break;
            case 'L':
            case 'l':
                if (c.isLetter()) return true;
                break;
            case 'A':
            case 'a':
                if (c.isLetterOrNumber()) return true;
                break;
            default:
                return true;
        }
    }
    return false;
}

void TMaskEdit::mousePressEvent(QMouseEvent* event) {
    // A click places the caret where the user wants it.
    typeOver_ = false;
    QLineEdit::mousePressEvent(event);
}

void TMaskEdit::hideEvent(QHideEvent* event) {
    // A window shown again starts a new visit of its fields.
    endVisit();
    QLineEdit::hideEvent(event);
}

}  // namespace kvl
