#pragma once

#include "ToolOptions.h"

// The slimming page's one option, deep cleaning of embedded documents, with
// the note on how the files are handled beside it.
class PsdSlimOptions : public ToolOptions
{
    Q_OBJECT

public:
    explicit PsdSlimOptions(QWidget *page);

    void addRowsAboveList(QVBoxLayout *rows, QWidget *body) override;

    bool deepClean() const;

protected:
    void restoreFrom(QSettings &settings) override;
    void saveTo(QSettings &settings) const override;

private:
    QCheckBox *m_deepClean = nullptr;
};
