// The memory of a field whose text was refused when the focus left it. Leaving a field runs its
// check before the press of the button that took the focus is delivered, so that press must not
// act on what was just refused, nor say it twice: it is swallowed once, and the focus goes back to
// the field. Typing into a watched field, or forget() at a new showing, drops the memory, so the
// next press checks afresh.
#pragma once

class QLineEdit;

namespace kvl {

class RefusedField {
  public:
    // Typing into field forgets a refusal.
    void watch(QLineEdit* field);
    // The outcome of leaving field: a refusal is remembered and puts the focus back on the field.
    // Returns accepted.
    bool left(QLineEdit* field, bool accepted);
    void forget() { field_ = nullptr; }
    // At a button's press: true once after a refusal, with the focus back on the field refused;
    // the press is then not to act.
    bool swallowPress();

  private:
    QLineEdit* field_ = nullptr;
};

}  // namespace kvl
