#include "qt_prompter.h"

#include "latin1.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace zarn {

QWidget* QtPrompter::Owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return parent_.data();
}

MsgAnswer QtPrompter::Message(const std::string& title, const std::string& text, MsgIcon icon,
                              MsgButtons buttons) {
    QMessageBox box(Owner());
    box.setWindowTitle(Qs(title.empty() ? programTitle_ : title));
    box.setText(Qs(text));
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Cancel;
    }
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Qs(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QStringList both;
        for (const QString& p : patterns) {
            both << p;
            if (p.toLower() != p) both << p.toLower();
        }
        out << parts[i] + QStringLiteral(" (") + both.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

// The chosen filter's description, without the patterns QtFileFilter added to it.
static void TellChosenFilter(const QFileDialog& dialog, const FileDialogRequest& r) {
    if (!r.chosenFilter) return;
    const QString f = dialog.selectedNameFilter();
    *r.chosenFilter = Bytes(f.left(f.lastIndexOf(QStringLiteral(" ("))));
}

static QString StartPath(const FileDialogRequest& r) {
    if (r.folder.empty()) return Qs(r.fileName);
    if (r.fileName.empty()) return Qs(r.folder);
    return Qs(r.folder) + QLatin1Char('/') + Qs(r.fileName);
}

std::optional<std::string> QtPrompter::OpenFile(const FileDialogRequest& request) {
    QFileDialog dialog(Owner(), Qs(request.title), StartPath(request), QtFileFilter(request.filter));
    dialog.setObjectName(Qs(request.name));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    TellChosenFilter(dialog, request);
    return Bytes(dialog.selectedFiles().first());
}

std::optional<std::string> QtPrompter::SaveFile(const FileDialogRequest& request) {
    QFileDialog dialog(Owner(), Qs(request.title), StartPath(request), QtFileFilter(request.filter));
    dialog.setObjectName(Qs(request.name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    TellChosenFilter(dialog, request);
    return Bytes(dialog.selectedFiles().first());
}

void QtPrompter::Beep() {
    QApplication::beep();
}

} // namespace zarn
