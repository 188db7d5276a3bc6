#pragma once

#include <QWidget>

class QPushButton;

// After a run: buttons that open where the results went and, for the
// helper's runs, its failure report. Hidden until a run ends with either.
class RunActions : public QWidget
{
    Q_OBJECT

public:
    // `prefix` starts the object names ("image": "imageRunActions",
    // "imageOpenOutput", "imageOpenReport").
    RunActions(const QString &prefix, bool withReport, QWidget *parent);

    // Shows the buttons for what exists: `folder` is the output folder, or
    // the pictures' own folder when they were replaced in place.
    void showFor(const QString &folder, const QString &report, bool inPlace);

private:
    QPushButton *m_openFolder = nullptr;
    QPushButton *m_openReport = nullptr;
};
