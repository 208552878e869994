#pragma once

#include <QDialog>

#include <memory>

class AppContext;
class ProgramLauncher;
class SystemRegistry;

// The About box (frmAbout): the program's name, version and description, and
// a button that starts the platform's system-information tool.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(AppContext &context);
    ~AboutBox() override;

    // Replaces the registry and the program start of the platform (tests).
    void setPlatform(
        std::unique_ptr<SystemRegistry> registry, std::unique_ptr<ProgramLauncher> launcher);

private:
    static QString descriptionText();
    void createControls(const QIcon &icon);

    std::unique_ptr<SystemRegistry> m_registry;
    std::unique_ptr<ProgramLauncher> m_launcher;
};
