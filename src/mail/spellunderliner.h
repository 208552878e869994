#pragma once

class QLineEdit;
class QPlainTextEdit;
class SpellChecker;

// Underlines the misspelt words of a field as they are typed, and puts their
// corrections and "Add to Dictionary" at the top of the field's context menu
// (right-click, or the menu key at the text cursor). What does this lives as
// long as the field.
void checkSpelling(QPlainTextEdit *field, SpellChecker *checker);
void checkSpelling(QLineEdit *field, SpellChecker *checker);
