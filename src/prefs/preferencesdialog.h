#pragma once

#include "ui/colorchooser.h"
#include "ui/filechooser.h"

#include <QDialog>

class AppContext;
class ColorSwatchButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The Preferences dialog (Form2): home page, colour and background picture of
// the main window, and clearing its address history and favourites. Whatever
// window opened it, it acts on the main window, through the main window's
// appearance.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreferencesDialog(AppContext &context);
    ~PreferencesDialog() override;

    // The pickers behind the swatch and "Get" (tests replace them).
    void setColorChooser(ColorChooser chooser) { m_colorChooser = std::move(chooser); }
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void createButtons();
    void setTabOrder();
    void loadFields();
    void showColor(qint32 value);
    void chooseColor();
    void choosePicture();
    void apply();
    void confirm();
    void clearAddressHistory();
    void clearFavourites();
    void createSitePermissionControls();

    AppContext &m_context;
    ColorChooser m_colorChooser;
    FileChooser m_fileChooser;
    qint32 m_colorValue;

    QLineEdit *m_homePage = nullptr;
    QFrame *m_swatch = nullptr;
    ColorSwatchButton *m_swatchClickArea = nullptr;
    QLineEdit *m_picturePath = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_clearHistory = nullptr;
    QPushButton *m_clearFavourites = nullptr;
    QPushButton *m_getPicture = nullptr;
    QPushButton *m_apply = nullptr;
    QLabel *m_icon = nullptr;
    QPushButton *m_clearPermissions = nullptr;
};
