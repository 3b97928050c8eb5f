#include "ui/thumbnail_run.h"

#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include "ui/widget_parts.h"

namespace vireo {
namespace {

// A run that ends this soon never shows its progress window.
constexpr int kShowProgressAfterMs = 500;
// How long picmill may take to stop when asked before it is killed.
constexpr int kKillAfterMs = 2000;

}  // namespace

ThumbnailRun::ThumbnailRun(QWidget* parent, QString picmill, QString folder, bool subfolders,
                           std::function<void()> ended)
    : picmill_(std::move(picmill)),
      arguments_{std::move(folder), subfolders ? QStringLiteral("1") : QStringLiteral("0")},
      on_end_(std::move(ended)),
      process_(std::make_unique<QProcess>()),
      progress_(std::make_unique<QProgressDialog>(parent))
{
    progress_->setWindowTitle(QStringLiteral("Picmill"));
    progress_->setWindowModality(Qt::WindowModal);
    // Picmill's lines carry folder names, which are shown as they are, never as markup.
    line_ = new QLabel(QStringLiteral("Creating thumbnail lists..."), progress_.get());
    line_->setTextFormat(Qt::PlainText);
    line_->setMinimumWidth(360);
    progress_->setLabel(line_);
    progress_->setCancelButton(LabelledButton(QStringLiteral("Cancel"), progress_.get()));
    progress_->setRange(0, 0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(kShowProgressAfterMs);
    // Its Cancel button, and Escape or the close box.
    QObject::connect(progress_.get(), &QProgressDialog::canceled, progress_.get(), [this] { Cancel(); });
    QObject::connect(progress_.get(), &QDialog::rejected, progress_.get(), [this] { Cancel(); });

    kill_timer_ = new QTimer(progress_.get());
    kill_timer_->setSingleShot(true);
    kill_timer_->setInterval(kKillAfterMs);
    QObject::connect(kill_timer_, &QTimer::timeout, progress_.get(), [this] {
        if (running()) process_->kill();
    });

    process_->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, progress_.get(),
                     [this] { ReadLines(); });
    QObject::connect(process_.get(), &QProcess::finished, progress_.get(), [this] { End(); });
    QObject::connect(process_.get(), &QProcess::errorOccurred, progress_.get(),
                     [this](QProcess::ProcessError error) {
                         // A picmill that cannot start has nothing to report; the run simply ends.
                         if (error == QProcess::FailedToStart) End();
                     });
}

ThumbnailRun::~ThumbnailRun()
{
    if (!running()) return;
    // Nobody waits for this run any more: stop picmill without keeping the program waiting.
    process_->disconnect();
    process_->kill();
    process_->waitForFinished(kKillAfterMs);
}

void ThumbnailRun::Start()
{
    process_->start(picmill_, arguments_);
    if (!ended_) progress_->setValue(0);  // starts the clock of the progress window
}

void ThumbnailRun::Cancel()
{
    if (!running() || kill_timer_->isActive()) return;
    process_->terminate();
    kill_timer_->start();
}

bool ThumbnailRun::running() const
{
    return process_->state() != QProcess::NotRunning;
}

QString ThumbnailRun::lastLine() const
{
    return line_->text();
}

void ThumbnailRun::ReadLines()
{
    while (process_->canReadLine()) {
        const QString line = QString::fromUtf8(process_->readLine()).trimmed();
        if (!line.isEmpty()) line_->setText(line);
    }
}

void ThumbnailRun::End()
{
    if (ended_) return;
    ended_ = true;
    ReadLines();
    kill_timer_->stop();
    progress_->hide();
    if (on_end_) on_end_();
}

}  // namespace vireo
