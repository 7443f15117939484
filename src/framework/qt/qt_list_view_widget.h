#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QTableView>
#include <functional>
#include <optional>

namespace tavr {

// The table widget of a ListView: a report-style table (no row header, grid lines, whole rows
// selected, several at once, clickable column headers that can be dragged into another order)
// whose first column the operator edits in place: F2 on a row, or a click on the first cell of
// the row already selected. A double-click activates the row; it does not edit. It reports the
// operator's editing, row moves and activations through its hooks and decides nothing itself.
class QtListViewWidget final : public QTableView {
  public:
    struct Hooks {
        // May an editor open on this row's first cell? (An edit begins, or is refused.)
        std::function<bool(int row)> editRequested;
        // The text the open edit holds; none once the edit has ended.
        std::function<std::optional<QString>()> editText;
        // The operator changed the editor's text.
        std::function<void(const QString& text)> typed;
        // The operator confirmed the editor's text: Enter, or the focus left the editor.
        std::function<void(const QString& text)> confirmed;
        // The editor is about to close; unless its text was confirmed, the edit was cancelled
        // (Esc). The focus has not moved yet.
        std::function<void(bool confirmed)> closing;
        // The editor has closed, and the focus has come back to the table if the editor had it.
        std::function<void()> closed;
        // The operator made another row the current (focused) one.
        std::function<void(int row)> currentRowChanged;
        // The operator double-clicked a row.
        std::function<void(int row)> rowActivated;
    };

    explicit QtListViewWidget(QWidget* parent);

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // What follows mirrors the control onto the table and reports nothing back.
    //
    // Opens the editor on `row`'s first cell for an edit that has already begun (moving it from
    // another row), holding `text`.
    void ShowEditor(int row, const QString& text);
    void CloseEditor();
    // The open editor, or nullptr.
    QLineEdit* OpenEditor() const;
    // Makes `row` the current row (-1: none), keeping the selection.
    void SetCurrentRow(int row);
    // Takes `row` out of the selection, if it is in it.
    void DeselectRow(int row);
    // While set, the model is being changed by the peer: what that does to the editor and the
    // current row is not reported (the peer puts both back where the control has them).
    void SetMirroring(bool mirroring) { mirroring_ = mirroring; }

    using QTableView::edit;

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void SetUpLook();

    Hooks hooks_;
    QPointer<QLineEdit> editor_;
    int editorRow_ = -1;
    bool reopening_ = false;
    QPointer<QWidget> committed_;  // the editor whose text was confirmed, until it closes
    bool mirroring_ = false;
};

}  // namespace tavr
