// LogSettingsDialog: variables in and out, the stepper and archive switches, the Browse dialog.
#include "app/logging/LogSettingsDialog.h"

#include "app/desktop/MovieValues.h"

#include <QFileDialog>

namespace hookwise::app {

namespace {

// The log settings template: 200 × 140 dialog units.
constexpr int kTemplateWidth = 200;
constexpr int kTemplateHeight = 140;

const QString kArchiveLog = QStringLiteral("_root.bArchiveLog");
const QString kDayInterval = QStringLiteral("_root.dayIntervalValue");
const QString kSelectedFile = QStringLiteral("_root.strSelectedFileLocation");

// The day interval a movie value gives: its decimal value cut to 8 bits.
std::uint8_t DayValue(const QString& text) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(MovieNumber(text)) & 0xFFu);
}

} // namespace

LogSettingsDialog::LogSettingsDialog(QWidget* parent)
    : CMovieDialog(QStringLiteral("HkLogAdv"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent) {}

void LogSettingsDialog::OnInitDialog() {
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(kArchiveLog, MovieBool(ArchiveOn != 0));
    movie->SetVariable(kDayInterval, QString::number(DayInterval));
    movie->SetVariable(kSelectedFile, SelectedFile);
}

void LogSettingsDialog::OnCommand(const QString& command, const QString& args) {
    if (Is(command, "IDC_FS_dayStepper")) {
        if (!IsUndefined(args))
            DayInterval = DayValue(args);
        return;
    }
    if (Is(command, "IDC_FS_bArchiveLog_TRUE")) {
        ArchiveOn = 1;
        return;
    }
    if (Is(command, "IDC_FS_bArchiveLog_FALSE")) {
        ArchiveOn = 0;
        return;
    }
    if (Is(command, "IDC_FS_Browse")) {
        Browse();
        return;
    }
    if (Is(command, "IDC_FS_OK")) {
        OnOK();
        return;
    }
    if (Is(command, "IDC_FS_CANCEL"))
        done(2);
}

void LogSettingsDialog::OnOK() {
    CShockwaveFlash* movie = Movie();
    const QString archive = movie->GetVariable(kArchiveLog);
    ArchiveOn =
        !(archive.isEmpty() || archive.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
    const QString days = movie->GetVariable(kDayInterval);
    if (!IsUndefined(days))
        DayInterval = DayValue(days);
    // A movie that has no file to give back (empty or undefined) keeps the log where it is: an
    // empty path would leave the log nowhere to be written.
    const QString file = movie->GetVariable(kSelectedFile);
    if (!file.isEmpty() && !IsUndefined(file))
        SelectedFile = file;
    done(1);
}

void LogSettingsDialog::Browse() {
    QFileDialog dialog(this, QString(), QString(), QStringLiteral("Log file(*.log)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(QLatin1String(kDefaultFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SelectedFile = dialog.selectedFiles().constFirst();
    Movie()->SetVariable(kSelectedFile, SelectedFile);
}

} // namespace hookwise::app
