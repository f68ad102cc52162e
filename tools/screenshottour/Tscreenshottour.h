#pragma once
// The tour of the screenshot script: the desktop program runs one comparison of a source
// against a destination by itself, copies some of the results, finds and filters others, saves
// a picture of each window it passes into a folder, and closes. It presses only what a user would. Its
// settings file lives in the folder too, so a tour neither reads nor spoils the user's.

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QRect;
class QTimer;
class QWidget;

class TScreenshotTour : public QObject {
    Q_OBJECT
public:
    // Starts the tour; it then lives with the application.
    static void Start(const QString& folder, const QString& source, const QString& destination);
    // Where the program keeps its settings during a tour into the folder.
    static std::string SettingsFileName(const QString& folder);

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
