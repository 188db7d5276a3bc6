#pragma once

#include <QStringList>
#include <QTreeWidget>

#include <functional>

// The list of selected files: accepts dropped files and folders, paints a hint
// while it is empty and turns the Delete key into a removal request. What a
// drop or a deletion means is left to the handlers the page installs.
class ToolDropTree : public QTreeWidget
{
    Q_OBJECT

public:
    using DropHandler = std::function<void(const QStringList &)>;
    using DeleteHandler = std::function<void()>;

    explicit ToolDropTree(QWidget *parent = nullptr)
        : QTreeWidget(parent)
    {
        setProperty("dropActive", false);
    }
    ~ToolDropTree() override = default;

    // The list grows through its stretch; preferring no more than its minimum
    // keeps the rows below it, the start button among them, in a small window.
    QSize sizeHint() const override { return {QTreeWidget::sizeHint().width(), minimumHeight()}; }

    void setDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }
    void setDeleteHandler(DeleteHandler handler) { m_deleteHandler = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setDropActive(bool active);

    DropHandler m_dropHandler;
    DeleteHandler m_deleteHandler;
};
