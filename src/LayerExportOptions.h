#pragma once

#include "PaddingChoices.h"
#include "ToolOptions.h"

#include <QJsonObject>
#include <QStringList>

class PaddingControls;

// What a layer export is asked to do.
struct LayerExportChoices
{
    // As typed, trimmed; empty puts a folder beside each document.
    QString outputDir;
    bool trimTransparency = true;
    // Only while trimming: the rule "none" trims without padding.
    Sizing sizing;
    FillSpec fill;
    Anchor anchor = Anchor::Center;
    // A clipped layer is cut to its base layer's alpha.
    bool applyClipping = true;
};

// The layer-export page's options: the output folder, trimming, the sizing
// rule, fill and anchor of the trimmed layers and clipping masks. The combo
// boxes hold the keys of PaddingChoices as item data.
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
    PaddingControls *m_padding = nullptr;
    QCheckBox *m_clipping = nullptr;
};
