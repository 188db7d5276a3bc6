#pragma once

#include "PaddingChoices.h"
#include "ToolOptions.h"

#include <QJsonObject>
#include <QStringList>

class QComboBox;

// What a layer export is asked to do.
struct LayerExportChoices
{
    // As typed, trimmed; empty puts a folder beside each document.
    QString outputDir;
    bool trimTransparency = true;
    // Only while trimming: None trims without padding.
    SizeRule sizing = SizeRule::Multiple4;
};

// The layer-export page's options: the output folder, trimming and the
// sizing rule of the trimmed layers. The sizing combo box holds the keys of
// PaddingChoices as item data.
class LayerExportOptions : public ToolOptions
{
    Q_OBJECT

public:
    explicit LayerExportOptions(QWidget *page);

    void addRowsAboveList(QVBoxLayout *rows, QWidget *body) override;
    void addRowsBelowList(QVBoxLayout *rows, QWidget *body) override;

    LayerExportChoices choices() const;
    // The worker's job for paths with these choices.
    static QJsonObject job(const LayerExportChoices &choices, const QStringList &paths);

protected:
    void restoreFrom(QSettings &settings) override;
    void saveTo(QSettings &settings) const override;

private:
    QLineEdit *m_outputDirectory = nullptr;
    QCheckBox *m_trim = nullptr;
    QComboBox *m_sizing = nullptr;
};
