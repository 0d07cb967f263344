#pragma once

#include "app/dialogs.h"
#include "reports/chartpicturestyle.h"

#include <QStringList>

#include <optional>

// Answers every modal box from a script and records what was asked as
// "kind|title|text", file questions as "open|caption|dir|filter" or "save|…".
class ScriptedDialogs : public Dialogs
{
public:
    struct Script
    {
        QString fileToOpen;
        QString fileToSave;
        QList<QMessageBox::StandardButton> answers; // then No
        QStringList asked;
        QStringList texts; // lines typed into text questions, then cancel
        // How a chart picture is to be drawn; none: cancel.
        std::optional<ChartPictureOptions> picture;
    };

    explicit ScriptedDialogs(Script* script) : m_script(script) {}

    QString getOpenFileName(QWidget*, const QString& caption, const QString& dir,
                            const QString& filter) override
    {
        record(QStringLiteral("open"), {caption, dir, filter});
        return m_script->fileToOpen;
    }
    QString getSaveFileName(QWidget*, const QString& caption, const QString& dir,
                            const QString& filter) override
    {
        record(QStringLiteral("save"), {caption, dir, filter});
        return m_script->fileToSave;
    }
    QMessageBox::StandardButton information(QWidget*, const QString& title,
                                            const QString& text) override
    {
        record(QStringLiteral("information"), {title, text});
        return QMessageBox::Ok;
    }
    QMessageBox::StandardButton question(QWidget*, const QString& title,
                                         const QString& text) override
    {
        record(QStringLiteral("question"), {title, text});
        return m_script->answers.isEmpty() ? QMessageBox::No : m_script->answers.takeFirst();
    }
    QMessageBox::StandardButton questionOrCancel(QWidget* parent, const QString& title,
                                                 const QString& text) override
    {
        return question(parent, title, text);
    }
    QMessageBox::StandardButton warning(QWidget*, const QString& title,
                                        const QString& text) override
    {
        record(QStringLiteral("warning"), {title, text});
        return QMessageBox::Ok;
    }

    bool getText(QWidget*, const QString& title, const QString& label, QString& text) override
    {
        record(QStringLiteral("text"), {title, label, text});
        if (m_script->texts.isEmpty())
            return false;
        text = m_script->texts.takeFirst();
        return true;
    }

    bool getChartPictureOptions(QWidget*, ChartPictureOptions& options) override
    {
        record(QStringLiteral("picture"),
               {QStringLiteral("%1x%2").arg(options.size.width()).arg(options.size.height())});
        if (!m_script->picture)
            return false;
        options = *m_script->picture;
        return true;
    }

private:
    void record(const QString& kind, const QStringList& parts)
    {
        m_script->asked.append(kind + QLatin1Char('|') + parts.join(QLatin1Char('|')));
    }

    Script* m_script;
};
