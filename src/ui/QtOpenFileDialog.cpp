#include "ui/QtOpenFileDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace orvel {

QStringList CaseFreePatterns(const std::string& patterns) {
    QStringList result;
    for (const QString& pattern : QString::fromStdString(patterns).split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (trimmed == "*.*" || trimmed == "*") {
            result << "*";
            continue;
        }
        QString free;
        for (const QChar c : trimmed) {
            if (c.isLetter() && c.toLower() != c.toUpper())
                free += QString("[%1%2]").arg(c.toLower()).arg(c.toUpper());
            else
                free += c;
        }
        result << free;
    }
    result.removeDuplicates();
    return result;
}

std::vector<std::string> TQtOpenFileDialog::OpenFiles(const TOpenFileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.Caption));
    // Qt's own dialog, so the bracket patterns mean the same on every desktop; the patterns
    // behind each name stay hidden, the name already shows them as the user knows them.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QStringList filters;
    for (const TFileFilter& filter : request.Filters)
        filters << QString::fromStdString(filter.Name) + " (" + CaseFreePatterns(filter.Patterns).join(' ') +
                       ")";
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted) return {};
    std::vector<std::string> chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen.push_back(file.toStdString());
    return chosen;
}

} // namespace orvel
