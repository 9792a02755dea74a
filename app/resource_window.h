#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QStackedWidget;
class QTableView;

namespace vorn {

class ChunkListModel;
class IffEditService;

// The "Resources" window over one IFF file: every chunk in a list (type, id,
// label, size, flags; sortable by any column, filtered by type) beside a view
// of the selected chunk as its type reads: SPR2 frames, DGRP images in the
// 4 directions and 3 zooms, PALT swatches, BMP_ pictures, string tables,
// OBJD fields by name, and any other type as hex with its bytes as text.
//
// It only reads: the file is the service's, shared with whoever opened the
// window (the object preview hands it its own), so both show one container.
class ResourceWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Resources";

    // `name` is the file's name for the title ("Resources - lamp.iff").
    ResourceWindow(std::shared_ptr<IffEditService> service, const QString& name, QWidget* parent = nullptr);
    ~ResourceWindow() override;

    QTableView* ChunkList() const { return list_; }
    QComboBox* TypeFilter() const { return typeFilter_; }
    // The view of the selected chunk (a new widget for every selection).
    QWidget* ChunkView() const { return view_; }
    // Selects the chunk of that type and id; false when the list (as
    // filtered) has none.
    bool SelectChunk(uint32_t type, uint16_t id);

private:
    void ShowSelected();
    void ApplyFilter();

    std::shared_ptr<IffEditService> service_;
    ChunkListModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* list_ = nullptr;
    QComboBox* typeFilter_ = nullptr;
    QStackedWidget* viewHolder_ = nullptr;
    QWidget* view_ = nullptr;
};

} // namespace vorn
