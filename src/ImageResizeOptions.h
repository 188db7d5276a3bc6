#pragma once

#include "PaddingChoices.h"
#include "ToolOptions.h"

#include <QStringList>

class PaddingControls;

// What the padding helper is asked to do. The defaults are those of a page
// without controls; the page's own controls start centred and recursive.
struct ImageResizeChoices
{
    Sizing sizing;
    FillSpec fill;
    // Top left without controls: the helper's own default is the centre.
    Anchor anchor = Anchor::TopLeft;
    bool png = false;
    bool recursive = false;
    // As typed, trimmed; empty writes in place.
    QString outputDir;
    // Folders the user added whole: their pictures keep their paths below them in the output folder.
    QStringList folders;
    // In place: replaced originals go to the trash (the settings dialog's choice).
    bool keepOriginals = true;
};

// The image-resize page's options: the sizing rule, the fill, the anchor, PNG
// output, subfolders and the output folder. The combo boxes hold the keys of
// PaddingChoices as item data.
class ImageResizeOptions : public ToolOptions
{
    Q_OBJECT

public:
    explicit ImageResizeOptions(QWidget *page);

    void addRowsAboveList(QVBoxLayout *rows, QWidget *body) override;

    ImageResizeChoices choices() const;
    Sizing sizing() const;
    bool searchesSubfolders() const;

    // The choices of the part found under page, or the defaults without one.
    static ImageResizeChoices choicesOf(const QWidget *page);

    // The helper's switches for choices ("--centered" and "--no-centered" for
    // the centre and the top left, "--anchor" for the others), "--language" with the interface
    // language, then "--start" and the paths when there are any.
    static QStringList arguments(const ImageResizeChoices &choices, const QStringList &paths);
    // The output folder as the helper gets it: a relative one is taken from
    // the user's home folder.
    static QString absoluteOutputFolder(const QString &typed);

    // Whether an in-place run keeps the originals it replaces in the trash:
    // a setting of the tool window, on unless turned off.
    static bool keepsOriginals();
    static void setKeepsOriginals(bool keep);

signals:
    void sizeRuleChanged();

protected:
    void restoreFrom(QSettings &settings) override;
    void saveTo(QSettings &settings) const override;

private:
    PaddingControls *m_padding = nullptr;
    QCheckBox *m_png = nullptr;
    QCheckBox *m_recursive = nullptr;
    QLineEdit *m_outputDirectory = nullptr;
};
