// The maker's releases beside the file button: the source's list, fetched
// and verified off the GUI thread, and the chosen release loaded as a chosen
// file is, with one more line naming the release and its key.

#include <QFutureWatcher>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include "app/RememberedChoices.h"
#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/ReleaseFetch.h"

namespace {

// Runs `work` on Qt's thread pool and `done` with its result on the GUI
// thread; nothing when the controller is gone by then.
template <typename Result, typename Work, typename Done>
void inBackground(UartToolCtrl* ctrl, Work work, Done done) {
    auto* watcher = new QFutureWatcher<Result>(ctrl);
    QObject::connect(watcher, &QFutureWatcherBase::finished, ctrl, [watcher, done] {
        done(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

void UartToolCtrl::ListReleases() { listReleases(false); }

void UartToolCtrl::listReleases(bool quiet) {
    const QString source = m_ReleaseSource->text().trimmed();
    if (source.isEmpty()) return;
    remembered::setReleaseSource(source);
    btn_ListReleases->setEnabled(false);
    const int listing = ++releaseListing;  // only the latest listing shows
    inBackground<releases::ListedReleases>(
        this, [source = source.toStdString()] { return releases::listReleasesOf(source); },
        [this, source, quiet, listing](const releases::ListedReleases& listed) {
            if (listing != releaseListing) return;
            btn_ListReleases->setEnabled(true);
            m_ReleaseList->clear();
            if (!listed.error.empty()) {
                if (!quiet) setOut(coreText(listed.error) + '\n');
                return;
            }
            for (const std::string& line : listed.lines) setOut(coreText(line) + '\n');
            for (std::size_t k = 0; k < listed.versions.size(); ++k) {
                auto* item = new QListWidgetItem(text(listed.labels[k]), m_ReleaseList);
                item->setData(Qt::UserRole, text(listed.versions[k]));
            }
            m_ReleaseList->setCurrentRow(0);
            listedSource = source;
        });
}

void UartToolCtrl::LoadRelease() {
    const QListWidgetItem* item = m_ReleaseList->currentItem();
    if (!item) return;
    btn_LoadRelease->setEnabled(false);
    inBackground<releases::FetchedRelease>(
        this,
        [source = listedSource.toStdString(),
         version = item->data(Qt::UserRole).toString().toStdString()] {
            return releases::fetchRelease(source, version);
        },
        [this](releases::FetchedRelease fetched) {
            btn_LoadRelease->setEnabled(true);
            if (!fetched.error.empty()) {
                setOut(coreText(fetched.error) + '\n');
                return;
            }
            if (!firmwareMayChangeNow(fetched.name)) return;
            m_File_Path->setText(text(fetched.name));
            showLoadResult(firmware::load(fetched.name, std::move(fetched.bytes)));
            setOut(coreText(fetched.loadedLine));
        });
}
