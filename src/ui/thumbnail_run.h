#pragma once

// One run of picmill, the thumbnail generator, over a folder, with a progress window that shows the
// last line picmill printed and whose Cancel stops it.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLabel;
class QProcess;
class QProgressDialog;
class QTimer;
class QWidget;

namespace vireo {

class ThumbnailRun final {
public:
    // `ended` is called once, when picmill has ended, was stopped, or could not be started.
    ThumbnailRun(QWidget* parent, QString picmill, QString folder, bool subfolders,
                 std::function<void()> ended);
    ~ThumbnailRun();
    ThumbnailRun(const ThumbnailRun&) = delete;
    ThumbnailRun& operator=(const ThumbnailRun&) = delete;

    // Starts picmill with the folder and "1" (the folders below it too) or "0" as its arguments.
    void Start();
    // Asks picmill to stop, and kills it when it has not stopped a little later.
    void Cancel();

    bool running() const;
    bool ended() const { return ended_; }
    QProgressDialog* progressDialog() const { return progress_.get(); }
    // The last line picmill printed, as the progress window shows it.
    QString lastLine() const;

private:
    void ReadLines();
    void End();

    QString picmill_;
    QStringList arguments_;
    std::function<void()> on_end_;
    bool ended_ = false;
    std::unique_ptr<QProcess> process_;
    std::unique_ptr<QProgressDialog> progress_;
    QLabel* line_;
    QTimer* kill_timer_;
};

}  // namespace vireo
