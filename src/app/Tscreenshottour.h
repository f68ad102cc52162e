#pragma once
// A hidden tour for the screenshot script: when VELLUMARK_SCREENSHOTS names a folder, the
// program runs one comparison of VELLUMARK_SCREENSHOT_SOURCE against
// VELLUMARK_SCREENSHOT_DESTINATION by itself, copies some of the results, finds others, saves
// a picture of each window it passes into the folder, and closes. It presses only what a user would. Its settings file lives in
// the folder too, so a tour neither reads nor spoils the user's.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QRect;
class QTimer;
class QWidget;

class TScreenshotTour : public QObject {
    Q_OBJECT
public:
    // Starts the tour when the environment asks for it; the tour then lives with the application.
    static void StartIfAsked();
    // Where the program keeps its settings during a tour; nothing when none is asked for.
    static std::optional<std::string> SettingsFileName();

private:
    struct TStep {
        std::function<bool()> Ready;
        std::function<void()> Act;
    };
    TScreenshotTour(const QString& folder, const QString& source, const QString& destination);
    void Poll();
    QString PictureName(const char* name) const;
    void Save(QWidget* window, const char* name);
    // What the screen shows there: a menu with its open submenu is two windows.
    void SaveScreen(const QRect& area, const char* name);
    // Types the name into the file dialog that is up, takes its picture and accepts it.
    void SaveInFileDialog(const QString& fileName, const char* name);
    static bool IsActiveModal(const QWidget* window);

    QString Folder;
    std::vector<TStep> Steps;
    std::size_t Next = 0;
    QTimer* Timer;
};
