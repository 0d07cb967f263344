#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The content of the dock "Статистика": the two points in time with the
// duration between them, one row of figures per visible channel, the choice
// of the bookmarks around the value line as the pair, and "Копировать". It
// only shows what it is given and says what the user asks for.
class StatisticsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit StatisticsPanel(QWidget* parent = nullptr);

    // setters:
    void showFigures(const QString& from, const QString& to, const QString& duration,
                     const QStringList& headers, const QVector<QStringList>& rows);
    // No pair of points: the table empties and the hint says why.
    void showHint(const QString& hint);
    // getters:
    bool betweenBookmarks() const;
    const QTableWidget* table() const { return m_table; }
    QString summaryText() const;
    // As wide as the whole table with its names, or the rows above it.
    int preferredWidth() const;

signals:
    void copyRequested();
    void betweenBookmarksChanged(bool on);

private:
    QLabel* m_summary = nullptr;
    QCheckBox* m_bookmarks = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_copy = nullptr;
};
