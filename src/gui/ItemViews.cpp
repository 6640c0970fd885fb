// Views of the list view (QTreeWidget in report mode) and the string grid (QTableView over a
// model that reads the component's cells; the first fixed row and column are the headers).
#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "gui/ViewBase.h"

namespace gui {

using namespace platform;

namespace {

// --- list view ---

Qt::Alignment ColumnAlignment(TextAlign a) {
  switch (a) {
    case TextAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

class ListViewView : public ViewBase {
 public:
  ListViewView(ListView& lv, QWidget* parent) : ViewBase(lv, new QTreeWidget(parent)) {
    auto* w = Tree();
    w->setRootIsDecorated(false);
    w->setUniformRowHeights(true);
    w->setAllColumnsShowFocus(true);
    w->setSelectionBehavior(QAbstractItemView::SelectRows);
    w->setSortingEnabled(false);
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w->setIconSize(QSize(16, 16));
    w->header()->setSectionsClickable(true);
    w->header()->setSectionsMovable(false);
    w->header()->setStretchLastSection(false);
    FilterInput(w);
    FilterInput(w->viewport());
    QObject::connect(w, &QTreeWidget::itemSelectionChanged, this, [this] {
      if (!comp_ || syncing_) return;
      auto* list = static_cast<ListView*>(comp_);
      QList<QTreeWidgetItem*> sel = Tree()->selectedItems();
      ListItem* item = sel.isEmpty() ? nullptr : list->Items(Tree()->indexOfTopLevelItem(sel.front()));
      if (item != list->Selected()) list->UserSelect(item);
      if (comp_) SyncSelection();
    });
    QObject::connect(w, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* it, int) {
      if (!comp_ || syncing_) return;
      auto* list = static_cast<ListView*>(comp_);
      list->UserDblClick(list->Items(Tree()->indexOfTopLevelItem(it)));
    });
    QObject::connect(w, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* it, int column) {
      if (!comp_ || syncing_ || column != 0) return;
      auto* list = static_cast<ListView*>(comp_);
      if (!list->Checkboxes()) return;
      if (ListItem* item = list->Items(Tree()->indexOfTopLevelItem(it)))
        item->SetChecked(it->checkState(0) == Qt::Checked);  // the user ticked the box
    });
    QObject::connect(w->header(), &QHeaderView::sectionClicked, this, [this](int c) {
      if (comp_ && !syncing_) static_cast<ListView*>(comp_)->UserColumnClick(c);
    });
    QObject::connect(w->header(), &QHeaderView::sectionResized, this, [this](int c, int, int size) {
      if (!comp_ || syncing_) return;
      SyncGuard guard(*this);
      auto* list = static_cast<ListView*>(comp_);
      if (c < list->ColumnCount()) list->SetColumnWidth(c, Scale().FromX(size, list->Column(c).Width));
    });
  }
  QTreeWidget* Tree() const { return static_cast<QTreeWidget*>(widget_.data()); }

 protected:
  bool OwnDoubleClick() const override { return true; }
  void FillItem(QTreeWidgetItem* qi, const ListItem& item) {
    auto* list = static_cast<ListView*>(comp_);
    int cols = std::max(1, list->ColumnCount());
    for (int c = 0; c < cols; ++c) {
      qi->setText(c, ToQt(item.ColumnText(c)));
      if (c < list->ColumnCount()) qi->setTextAlignment(c, ColumnAlignment(list->Column(c).Alignment));
    }
    qi->setIcon(0, IconOf(list->SmallImages(), item.ImageIndex()));
    if (list->Checkboxes()) qi->setCheckState(0, item.Checked() ? Qt::Checked : Qt::Unchecked);
    else qi->setData(0, Qt::CheckStateRole, QVariant());
  }
  // Items were added, removed or reordered. One insertion or removal (a new message, say)
  // touches one row; anything else builds the rows again.
  void ItemsChanged() {
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    std::vector<const ListItem*> now;
    now.reserve(std::size_t(list->Count()));
    for (int i = 0; i < list->Count(); ++i) now.push_back(list->Items(i));
    if (int(shown_.size()) == w->topLevelItemCount()) {
      if (now.size() == shown_.size() + 1 || now.size() + 1 == shown_.size()) {
        bool inserted = now.size() > shown_.size();
        const auto& longer = inserted ? now : shown_;
        const auto& shorter = inserted ? shown_ : now;
        std::size_t i = 0;
        while (i < shorter.size() && shorter[i] == longer[i]) ++i;
        if (std::equal(shorter.begin() + long(i), shorter.end(), longer.begin() + long(i) + 1)) {
          if (inserted) {
            auto* qi = new QTreeWidgetItem();
            FillItem(qi, *now[i]);
            w->insertTopLevelItem(int(i), qi);
          } else {
            delete w->takeTopLevelItem(int(i));
          }
          shown_ = std::move(now);
          SyncSelection();
          return;
        }
      }
    }
    Rebuild();
  }
  void Rebuild() {
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    w->clear();
    shown_.clear();
    for (int i = 0; i < list->Count(); ++i) shown_.push_back(list->Items(i));
    QList<QTreeWidgetItem*> items;
    items.reserve(list->Count());
    for (int i = 0; i < list->Count(); ++i) {
      auto* qi = new QTreeWidgetItem();
      FillItem(qi, *list->Items(i));
      items.push_back(qi);
    }
    w->addTopLevelItems(items);
    SyncSelection();
  }
  void SyncSelection() {
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    SyncGuard guard(*this);
    for (int i = 0; i < list->Count() && i < w->topLevelItemCount(); ++i)
      w->topLevelItem(i)->setSelected(list->Items(i)->Selected());
    if (ListItem* f = list->ItemFocused(); f && f->Index() >= 0 && f->Index() < w->topLevelItemCount())
      w->setCurrentItem(w->topLevelItem(f->Index()), 0, QItemSelectionModel::NoUpdate);
  }
  void Columns() {
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    w->setColumnCount(std::max(1, list->ColumnCount()));
    QStringList labels;
    for (int c = 0; c < list->ColumnCount(); ++c) labels << ToQt(list->Column(c).Caption);
    w->setHeaderLabels(labels);
    const LayoutScale sc = Scale();
    for (int c = 0; c < list->ColumnCount(); ++c) {
      w->setColumnWidth(c, sc.X(list->Column(c).Width));
      w->headerItem()->setTextAlignment(c, ColumnAlignment(list->Column(c).Alignment));
    }
    w->setHeaderHidden(list->ColumnCount() == 0);
  }
  void ApplyCell(int, int row) override {
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    if (row < 0 || row >= list->Count() || w->topLevelItemCount() != list->Count() ||
        shown_[std::size_t(row)] != list->Items(row)) {
      ItemsChanged();
      return;
    }
    FillItem(w->topLevelItem(row), *list->Items(row));
    SyncSelection();
  }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    auto* list = static_cast<ListView*>(comp_);
    auto* w = Tree();
    switch (what) {
      case Property::Columns: Columns(); break;
      case Property::Items: ItemsChanged(); break;
      case Property::Images: Rebuild(); break;
      case Property::Selection: SyncSelection(); break;
      case Property::Style:
      case Property::ReadOnly: {
        w->setSelectionMode(list->MultiSelect() ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
        // Without HideSelection the selection shows as strongly when the list has no focus.
        QPalette pal = w->palette();
        const QPalette base = w->style()->standardPalette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
          pal.setColor(QPalette::Inactive, role,
                       list->HideSelection() ? (role == QPalette::Highlight ? base.color(QPalette::Active, QPalette::Base)
                                                                            : base.color(QPalette::Active, QPalette::Text))
                                             : base.color(QPalette::Active, role));
        w->setPalette(pal);
        w->setStyleSheet(list->GridLines() ? QStringLiteral("QTreeView::item { border: 1px solid #d4d4d4; border-top: none; border-left: none; }")
                                           : QString());
        break;
      }
      case Property::Color: {
        if (list->Color() != clBtnFace) {
          QPalette pal = w->palette();
          pal.setColor(QPalette::Base, ToQColor(list->Color()));
          w->setPalette(pal);
        }
        break;
      }
      default: break;
    }
  }
  void Request(platform::Request what, int x, int y) override {
    if (what == platform::Request::Repaint && y >= 0 && y < Tree()->topLevelItemCount()) {
      Tree()->scrollToItem(Tree()->topLevelItem(y));
      return;
    }
    ViewBase::Request(what, x, y);
  }
  std::vector<const ListItem*> shown_;  // the component's items the rows show, in order
};

// --- string grid ---

class GridModel : public QAbstractTableModel {
 public:
  explicit GridModel(StringGrid* grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}
  void Forget() { grid_ = nullptr; }
  int HeaderRows() const { return grid_ && grid_->FixedRows() >= 1 ? 1 : 0; }
  int HeaderCols() const { return grid_ && grid_->FixedCols() >= 1 ? 1 : 0; }
  int GridCol(int column) const { return column + HeaderCols(); }
  int GridRow(int row) const { return row + HeaderRows(); }

  int rowCount(const QModelIndex& parent) const override {
    return grid_ && !parent.isValid() ? std::max(0, grid_->RowCount() - HeaderRows()) : 0;
  }
  int columnCount(const QModelIndex& parent) const override {
    return grid_ && !parent.isValid() ? std::max(0, grid_->ColCount() - HeaderCols()) : 0;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!grid_ || !index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
      return ToQt(grid_->Cells(GridCol(index.column()), GridRow(index.row())));
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!grid_ || !index.isValid() || role != Qt::EditRole) return false;
    grid_->UserSetEditText(GridCol(index.column()), GridRow(index.row()), FromQt(value.toString()));
    return true;
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!grid_ || !index.isValid()) return Qt::NoItemFlags;
    int c = GridCol(index.column()), r = GridRow(index.row());
    if (c < grid_->FixedCols() || r < grid_->FixedRows()) return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_->HasOption(goEditing)) f |= Qt::ItemIsEditable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (!grid_ || role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) return HeaderRows() ? ToQt(grid_->Cells(GridCol(section), 0)) : QVariant();
    return HeaderCols() ? ToQt(grid_->Cells(0, GridRow(section))) : QVariant();
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  void AllChanged() {
    if (rowCount({}) > 0 && columnCount({}) > 0)
      emit dataChanged(index(0, 0), index(rowCount({}) - 1, columnCount({}) - 1));
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount({}) - 1));
    emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount({}) - 1));
  }
  void CellChanged(int col, int row) {
    int c = col - HeaderCols(), r = row - HeaderRows();
    if (r < 0 && c >= 0) emit headerDataChanged(Qt::Horizontal, c, c);
    else if (c < 0 && r >= 0) emit headerDataChanged(Qt::Vertical, r, r);
    else if (r >= 0 && c >= 0 && r < rowCount({}) && c < columnCount({})) emit dataChanged(index(r, c), index(r, c));
  }

 private:
  StringGrid* grid_;
};

// Paints each cell as the grid's draw-cell handler wants it. A text too long for its cell is
// shortened with "…", never cut silently (ElideCellText).
class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(GridModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
  StringGrid* grid = nullptr;
  LayoutScale scale;

  // How the cell at index is drawn in the rectangle rect (the handler's colours and text).
  CellDrawInfo DrawInfo(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    int c = model_->GridCol(index.column()), r = model_->GridRow(index.row());
    CellDrawInfo info;
    info.CellRect = grid->CellRect(c, r);
    bool fixed = c < grid->FixedCols() || r < grid->FixedRows();
    bool selected = option.state & QStyle::State_Selected;
    info.State = (fixed ? gdFixed : 0) | (selected ? gdSelected : 0) |
                 (c == grid->Col() && r == grid->Row() ? gdFocused : 0);
    info.Text = grid->Cells(c, r);
    const QPalette& pal = option.palette;
    info.Background = fixed ? grid->FixedColor()
                      : selected ? FromQColor(pal.color(QPalette::Highlight))
                      : grid->Color() == clBtnFace ? clWindow : grid->Color();
    info.TextColor = selected && !fixed ? FromQColor(pal.color(QPalette::HighlightedText)) : grid->Font().Color;
    grid->DrawCell(c, r, info);
    return info;
  }
  QRect TextRect(const QRect& cell, const CellDrawInfo& info) const {
    return cell.adjusted(scale.X(info.TextDx), scale.Y(info.TextDy), 0, 0);
  }
  // The text as it shows in a cell of that rectangle.
  QString ShownText(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const CellDrawInfo info = DrawInfo(option, index);
    return ElideCellText(ToQt(info.Text), QFontMetrics(option.font), TextRect(option.rect, info).width() - 1);
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!grid) return QStyledItemDelegate::paint(p, option, index);
    const CellDrawInfo info = DrawInfo(option, index);
    p->save();
    p->fillRect(option.rect, ToQColor(info.Background));
    p->setPen(ToQColor(info.TextColor));
    p->setFont(option.font);
    const QRect tr = TextRect(option.rect, info);
    p->drawText(tr, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                ElideCellText(ToQt(info.Text), QFontMetrics(option.font), tr.width() - 1));
    p->restore();
  }

 private:
  GridModel* model_;
};

// A table that tells its view when it has been shown: Qt then scrolls to its current cell, and
// the grid's own scroll position must be put back.
class GridTable : public QTableView {
 public:
  using QTableView::QTableView;
  std::function<void()> AfterShow;

 protected:
  bool event(QEvent* e) override {
    const bool r = QTableView::event(e);
    if (e->type() == QEvent::Show && AfterShow) AfterShow();
    return r;
  }
};

class GridView : public ViewBase {
 public:
  GridView(StringGrid& g, QWidget* parent) : ViewBase(g, new GridTable(parent)) {
    auto* w = Table();
    static_cast<GridTable*>(w)->AfterShow = [this] {
      if (comp_) Scroll();
    };
    model_ = new GridModel(&g, w);
    delegate_ = new GridDelegate(model_, w);
    delegate_->grid = &g;
    w->setModel(model_);
    w->setItemDelegate(delegate_);
    w->setWordWrap(false);
    w->horizontalHeader()->setMinimumSectionSize(1);
    w->verticalHeader()->setMinimumSectionSize(1);
    w->horizontalHeader()->setHighlightSections(false);
    w->verticalHeader()->setHighlightSections(false);
    w->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    w->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FilterInput(w);
    FilterInput(w->viewport());
    if (auto* corner = w->findChild<QAbstractButton*>()) {
      corner_ = corner;
      corner->installEventFilter(this);
    }
    Connect();
  }
  ~GridView() override {
    if (model_) model_->Forget();
    if (delegate_) delegate_->grid = nullptr;
  }
  QTableView* Table() const { return static_cast<QTableView*>(widget_.data()); }
  StringGrid* Grid() const { return static_cast<StringGrid*>(comp_); }

  void Detached(Component& c) override {
    if (model_) model_->Forget();
    if (delegate_) delegate_->grid = nullptr;
    ViewBase::Detached(c);
  }

 protected:
  void Connect() {
    auto* w = Table();
    QObject::connect(w->selectionModel(), &QItemSelectionModel::currentChanged, this,
                     [this](const QModelIndex& cur, const QModelIndex&) {
                       if (!comp_ || syncing_ || !cur.isValid()) return;
                       int c = model_->GridCol(cur.column()), r = model_->GridRow(cur.row());
                       if (c == Grid()->Col() && r == Grid()->Row()) return;
                       Grid()->UserSelectCell(c, r);
                       if (comp_) SyncCurrent();
                     });
    QObject::connect(w->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                     [this](const QItemSelection&, const QItemSelection&) {
                       if (!comp_ || syncing_ || !Grid()->HasOption(goRangeSelect)) return;
                       QModelIndexList sel = Table()->selectionModel()->selectedIndexes();
                       if (sel.size() < 2) return;
                       GridRect r{INT32_MAX, INT32_MAX, -1, -1};
                       for (const QModelIndex& i : sel) {
                         r.Left = std::min(r.Left, model_->GridCol(i.column()));
                         r.Right = std::max(r.Right, model_->GridCol(i.column()));
                         r.Top = std::min(r.Top, model_->GridRow(i.row()));
                         r.Bottom = std::max(r.Bottom, model_->GridRow(i.row()));
                       }
                       SyncGuard guard(*this);
                       // The current cell is the end the user dragged to; the anchor the other.
                       QModelIndex cur = Table()->selectionModel()->currentIndex();
                       int cc = cur.isValid() ? model_->GridCol(cur.column()) : r.Right;
                       int cr = cur.isValid() ? model_->GridRow(cur.row()) : r.Bottom;
                       Grid()->UserSelectRange(cc == r.Left ? r.Right : r.Left, cr == r.Top ? r.Bottom : r.Top,
                                               cc, cr);
                     });
    QObject::connect(w->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int s, int, int size) {
      if (!comp_ || syncing_) return;
      SyncGuard guard(*this);
      // The user's width: it is the column's own from now on (also when it was widened).
      const int col = model_->GridCol(s);
      widened_.erase(col);
      Grid()->SetColWidths(col, Scale().FromX(size, Grid()->ColWidths(col)));
    });
    QObject::connect(w->verticalHeader(), &QHeaderView::sectionResized, this, [this](int s, int, int size) {
      if (!comp_ || syncing_) return;
      SyncGuard guard(*this);
      const int row = model_->GridRow(s);
      Grid()->SetRowHeights(row, Scale().FromY(size, Grid()->RowHeights(row)));
    });
    QObject::connect(w->horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
      if (!comp_ || syncing_) return;
      Revert(Table()->horizontalHeader(), from, to);
      Grid()->UserMoveColumn(from + model_->HeaderCols(), to + model_->HeaderCols());
    });
    QObject::connect(w->verticalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
      if (!comp_ || syncing_) return;
      Revert(Table()->verticalHeader(), from, to);
      Grid()->UserMoveRow(from + model_->HeaderRows(), to + model_->HeaderRows());
    });
    auto scrolled = [this](int) {
      if (!comp_ || syncing_) return;
      int c = Table()->columnAt(0), r = Table()->rowAt(0);
      int left = c < 0 ? Grid()->LeftCol() : model_->GridCol(c);
      int top = r < 0 ? Grid()->TopRow() : model_->GridRow(r);
      if (left == Grid()->LeftCol() && top == Grid()->TopRow()) return;
      SyncGuard guard(*this);
      Grid()->UserScroll(left, top);
    };
    QObject::connect(w->horizontalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    QObject::connect(w->verticalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
  }
  void Revert(QHeaderView* h, int from, int to) {
    SyncGuard guard(*this);
    h->moveSection(to, from);
  }
  void Geometry() {
    StringGrid* g = Grid();
    auto* w = Table();
    delegate_->scale = Scale();
    bool hr = model_->HeaderRows(), hc = model_->HeaderCols();
    w->horizontalHeader()->setVisible(hr);
    w->verticalHeader()->setVisible(hc);
    w->horizontalHeader()->setSectionsMovable(g->HasOption(goColMoving));
    w->verticalHeader()->setSectionsMovable(g->HasOption(goRowMoving));
    w->horizontalHeader()->setSectionResizeMode(g->HasOption(goColSizing) ? QHeaderView::Interactive
                                                                           : QHeaderView::Fixed);
    w->verticalHeader()->setSectionResizeMode(g->HasOption(goRowSizing) ? QHeaderView::Interactive
                                                                         : QHeaderView::Fixed);
    const LayoutScale sc = Scale();
    w->verticalHeader()->setDefaultSectionSize(sc.Y(g->DefaultRowHeight()));
    for (int c = 0; c < model_->columnCount({}); ++c) w->setColumnWidth(c, ShownWidth(model_->GridCol(c)));
    for (int r = 0; r < model_->rowCount({}); ++r) {
      int h = sc.Y(g->RowHeights(model_->GridRow(r)));
      if (w->rowHeight(r) != h) w->setRowHeight(r, h);
    }
    if (hc) w->verticalHeader()->setFixedWidth(sc.X(g->ColWidths(0)));
    if (hr) w->horizontalHeader()->setFixedHeight(sc.Y(g->RowHeights(0)));
    w->setShowGrid(g->GridLineWidth() > 0 && (g->HasOption(goVertLine) || g->HasOption(goHorzLine)));
    w->setSelectionBehavior(g->HasOption(goRowSelect) ? QAbstractItemView::SelectRows
                                                      : QAbstractItemView::SelectItems);
    w->setSelectionMode(g->HasOption(goRangeSelect) && !g->HasOption(goRowSelect)
                            ? QAbstractItemView::ContiguousSelection
                            : QAbstractItemView::SingleSelection);
    QAbstractItemView::EditTriggers t = QAbstractItemView::NoEditTriggers;
    if (g->HasOption(goEditing)) {
      t = QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
          QAbstractItemView::AnyKeyPressed;
      if (g->HasOption(goAlwaysShowEditor)) t |= QAbstractItemView::CurrentChanged;
    }
    w->setEditTriggers(t);
  }
  void SyncCurrent() {
    StringGrid* g = Grid();
    auto* w = Table();
    SyncGuard guard(*this);
    QModelIndex cur = model_->index(g->Row() - model_->HeaderRows(), g->Col() - model_->HeaderCols());
    const GridRect& s = g->Selection();
    QModelIndex a = model_->index(s.Top - model_->HeaderRows(), s.Left - model_->HeaderCols());
    QModelIndex b = model_->index(s.Bottom - model_->HeaderRows(), s.Right - model_->HeaderCols());
    // Moving Qt's current index scrolls the view; the grid's own LeftCol and TopRow say where
    // it stands, so a program's change of the current cell leaves the scroll position alone.
    const int hs = w->horizontalScrollBar()->value(), vs = w->verticalScrollBar()->value();
    if (cur.isValid()) w->selectionModel()->setCurrentIndex(cur, QItemSelectionModel::NoUpdate);
    w->horizontalScrollBar()->setValue(hs);
    w->verticalScrollBar()->setValue(vs);
    if (a.isValid() && b.isValid())
      w->selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect |
                                                            (g->HasOption(goRowSelect) ? QItemSelectionModel::Rows
                                                                                       : QItemSelectionModel::NoUpdate));
  }
  void Scroll() {
    StringGrid* g = Grid();
    QModelIndex i = model_->index(std::max(0, g->TopRow() - model_->HeaderRows()),
                                  std::max(0, g->LeftCol() - model_->HeaderCols()));
    if (i.isValid()) Table()->scrollTo(i, QAbstractItemView::PositionAtTop);
  }
  // A column's width on screen: its own, or the wider width a calculation's texts asked for.
  int ShownWidth(int col) const {
    const int own = Scale().X(Grid()->ColWidths(col));
    auto it = widened_.find(col);
    return it == widened_.end() ? own : std::max(own, it->second);
  }
  // Columns first..last widen to their widest text (header included).
  void WidenColumns(int first, int last) {
    StringGrid* g = Grid();
    auto* w = Table();
    const QFontMetrics cellFm(w->font());
    const QFontMetrics headFm(w->horizontalHeader()->font());
    const LayoutScale sc = Scale();
    SyncGuard guard(*this);
    for (int col = std::max(first, model_->HeaderCols()); col <= last && col < g->ColCount(); ++col) {
      int need = 0;
      for (int r = 0; r < g->RowCount(); ++r) {
        const QFontMetrics& fm = r < model_->HeaderRows() ? headFm : cellFm;
        need = std::max(need, fm.horizontalAdvance(ToQt(g->Cells(col, r))));
      }
      need += 2 * sc.X(2) + 4;  // the text's offset in the cell, and room for the grid line
      if (need > sc.X(g->ColWidths(col))) widened_[col] = need;
      else widened_.erase(col);
      w->setColumnWidth(col - model_->HeaderCols(), ShownWidth(col));
    }
  }

 public:
  // The text the cell shows at its present width.
  QString ShownCellText(int col, int row) const {
    QModelIndex i = model_->index(row - model_->HeaderRows(), col - model_->HeaderCols());
    if (!i.isValid()) return ToQt(Grid()->Cells(col, row));
    QStyleOptionViewItem option;
    option.initFrom(Table()->viewport());
    option.font = Table()->font();
    option.rect = QRect(0, 0, Table()->columnWidth(i.column()), Table()->rowHeight(i.row()));
    return delegate_->ShownText(option, i);
  }

 protected:
  void ApplyCell(int col, int row) override { model_->CellChanged(col, row); }
  void Apply(Property what) override {
    ViewBase::Apply(what);
    switch (what) {
      case Property::ColCount:
      case Property::RowCount:
      case Property::FixedCols:
      case Property::FixedRows:
        model_->Reset();
        Geometry();
        SyncCurrent();
        break;
      case Property::Cells:
        model_->AllChanged();
        Geometry();
        break;
      case Property::ColWidths:
      case Property::RowHeights:
      case Property::DefaultColWidth:
      case Property::DefaultRowHeight:
      case Property::Options:
        Geometry();
        break;
      case Property::Color:
      case Property::Font:
        Table()->viewport()->update();
        break;
      case Property::CurrentCell:
      case Property::Selection: SyncCurrent(); break;
      case Property::ScrollPosition: Scroll(); break;
      case Property::Style:
        Geometry();  // the grid line width
        if (Grid()->EditorMode() && Table()->currentIndex().isValid()) Table()->edit(Table()->currentIndex());
        break;
      default: break;
    }
  }
  void Request(platform::Request what, int x, int y) override {
    if (what == platform::Request::WidenColumns) WidenColumns(x, y);
    else ViewBase::Request(what, x, y);
  }
  // The component's cell geometry: a point in a Qt cell lands in the same cell of the grid.
  QPoint MapMouse(QObject* watched, const QPoint& pos) override {
    auto* w = Table();
    if (watched == w->viewport()) {
      QModelIndex i = w->indexAt(pos);
      if (i.isValid()) {
        Rect cr = Grid()->CellRect(model_->GridCol(i.column()), model_->GridRow(i.row()));
        QRect vr = w->visualRect(i);
        const LayoutScale sc = Scale();
        const int dx = int((pos.x() - vr.left()) / sc.x), dy = int((pos.y() - vr.top()) / sc.y);
        if (cr.Width() > 0 && cr.Height() > 0)
          return QPoint(cr.Left + std::min(dx, cr.Width() - 1), cr.Top + std::min(dy, cr.Height() - 1));
      }
    }
    return ViewBase::MapMouse(watched, pos);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == corner_ && event->type() == QEvent::Paint && comp_) {
      auto* button = static_cast<QAbstractButton*>(watched);
      QStyleOptionHeader opt;
      opt.initFrom(button);
      opt.rect = button->rect();
      opt.position = QStyleOptionHeader::OnlyOneSection;
      opt.text = ToQt(Grid()->Cells(0, 0));
      opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
      QStylePainter painter(button);
      painter.drawControl(QStyle::CE_Header, opt);
      return true;
    }
    return ViewBase::eventFilter(watched, event);
  }

  QPointer<GridModel> model_;
  QPointer<GridDelegate> delegate_;
  std::map<int, int> widened_;  // grid column -> width in pixels its texts asked for
  QPointer<QObject> corner_;  // compared only (no cast while it is being destroyed)
};

}  // namespace

QString ElideCellText(const QString& text, const QFontMetrics& fm, int width) {
  if (fm.horizontalAdvance(text) <= width) return text;
  static const QRegularExpression number(QStringLiteral("^\\s*[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?\\s*$"));
  const QRegularExpressionMatch m = number.match(text);
  if (!m.hasMatch()) return fm.elidedText(text, Qt::ElideRight, width);
  // A number keeps its exponent: the mantissa gives way in its middle.
  const QString ellipsis = QString(QChar(0x2026));
  const QString exponent = m.captured(2);
  if (exponent.isEmpty()) return fm.elidedText(text, Qt::ElideMiddle, width);
  const QString tail = ellipsis + exponent;
  const QString mantissa = text.trimmed().left(text.trimmed().size() - exponent.size());
  for (int n = int(mantissa.size()) - 1; n > 0; --n) {
    const QString shown = mantissa.left(n) + tail;
    if (fm.horizontalAdvance(shown) <= width) return shown;
  }
  return fm.horizontalAdvance(tail) <= width ? tail : fm.elidedText(tail, Qt::ElideLeft, width);
}

std::string GridCellShownText(const StringGrid* grid, int col, int row) {
  auto* v = dynamic_cast<GridView*>(ViewOf(grid));
  return v ? FromQt(v->ShownCellText(col, row)) : std::string();
}

ViewBase* CreateItemView(Component& c, QWidget* parent) {
  if (auto* lv = dynamic_cast<ListView*>(&c)) return new ListViewView(*lv, parent);
  if (auto* g = dynamic_cast<StringGrid*>(&c)) return new GridView(*g, parent);
  return nullptr;
}

}  // namespace gui
