#include "gui/DialogInteraction.h"

#include "base/AppDirectory.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace tarn {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MessageBoxAnswer DialogInteraction::ShowMessage(std::string_view caption, std::string_view text,
                                                MessageBoxButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(ToQString(caption));
    box.setText(ToQString(text));
    switch (buttons) {
    case MessageBoxButtons::kOk:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageBoxButtons::kYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageBoxButtons::kYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageBoxButtons::kSaveDontSaveCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.button(QMessageBox::Discard)->setText(QObject::tr("Don't Save"));
        box.setDefaultButton(QMessageBox::Save);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageBoxAnswer::kOk;
    case QMessageBox::Yes:
    case QMessageBox::Save:
        return MessageBoxAnswer::kYes;
    case QMessageBox::No:
    case QMessageBox::Discard:
        return MessageBoxAnswer::kNo;
    default:
        return MessageBoxAnswer::kCancel;
    }
}

std::optional<std::filesystem::path>
DialogInteraction::ChooseFile(FileDialog dialog, std::string_view defaultExtension) {
    const QString extension = ToQString(defaultExtension);
    const QString kind = extension == "tarn" ? QObject::tr("Tarn Studio projects")
                                             : QObject::tr("%1 files").arg(extension.toUpper());
    return Choose(dialog, extension, {QStringLiteral("%1 (*.%2)").arg(kind, extension)});
}

std::optional<std::filesystem::path> DialogInteraction::ChooseSoundFile() {
    // The built-in reader takes WAV; the libsndfile handler the rest.
    return Choose(FileDialog::kOpen, "wav",
                  {QObject::tr("Sound files (*.wav *.aif *.aiff *.aifc *.flac *.ogg *.au *.snd "
                               "*.caf *.w64 *.voc)")});
}

std::optional<std::filesystem::path>
DialogInteraction::Choose(FileDialog dialog, const QString& extension, const QStringList& filters) {
    // A relative folder (the shipped ".") is one of the application directory.
    const std::filesystem::path start =
        lastDirectory_.empty() ? AppDirectory() : ResolvePath(lastDirectory_);
    QFileDialog chooser(parent_, QString(), QString::fromStdString(start.string()));
    chooser.setNameFilters(filters + QStringList{QObject::tr("All files (*)")});
    chooser.setDefaultSuffix(extension);
    if (dialog == FileDialog::kSave) {
        chooser.setAcceptMode(QFileDialog::AcceptSave);
        chooser.setFileMode(QFileDialog::AnyFile);
        chooser.setWindowTitle(QObject::tr("Save as"));
    } else {
        chooser.setAcceptMode(QFileDialog::AcceptOpen);
        chooser.setFileMode(QFileDialog::ExistingFile);
        chooser.setWindowTitle(QObject::tr("Open"));
    }
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::filesystem::path file = chooser.selectedFiles().front().toStdString();
    lastDirectory_ = file.parent_path().string();
    return file;
}

std::string DialogInteraction::ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void DialogInteraction::SetClipboardText(std::string text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

} // namespace tarn
