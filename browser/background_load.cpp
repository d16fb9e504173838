// How a source's load runs: it starts by cancelling the load in flight,
// works in the background, and puts its rows in the track list on the UI
// thread in slices short enough that the window keeps answering.
#include "browser/form_view.h"

#include "tracklist/list_view.h"

#include <QElapsedTimer>
#include <QListWidget>

namespace browser {

namespace {

// Rows are appended for at most this long before the event loop runs again.
constexpr qint64 kSliceMs = 20;

} // namespace

CFormView::~CFormView() {
    CancelLoad();
}

platform::CancelToken CFormView::BeginLoad(AfterLoad then, bool keepRows) {
    CancelLoad();
    load_ = platform::CancelToken();
    loading_ = true;
    afterLoad_ = std::move(then);
    if (!keepRows)
        trackList_->ClearRows();
    return load_;
}

void CFormView::CancelLoad() {
    load_.cancel();
    loading_ = false;
    afterLoad_ = nullptr;
}

void CFormView::EndLoad() {
    loading_ = false;
    ShowTitle(QString());
    emit loadFinished();
    if (AfterLoad then = std::exchange(afterLoad_, nullptr))
        then();
}

std::function<void(const QString&)> CFormView::TitlePoster(const platform::CancelToken& token) {
    return [this, token](const QString& text) {
        platform::deliver(token, [this, text] { ShowTitle(text); });
    };
}

void CFormView::AppendRowsInSlices(std::shared_ptr<const std::vector<LoadedRow>> rows,
                                   std::function<QString(const LoadedRow&)> progressOf,
                                   std::function<void()> done, size_t from) {
    QElapsedTimer slice;
    slice.start();
    trackList_->ReserveRows(static_cast<int>(rows->size()));
    size_t next = from;
    while (next < rows->size() && slice.elapsed() < kSliceMs) {
        const LoadedRow& row = (*rows)[next++];
        trackList_->AppendRow(row.location, row.name, row.section);
        if (progressOf)
            ShowProgress(progressOf(row));
    }
    if (next == rows->size()) {
        done();
        return;
    }
    platform::deliver(load_, [this, rows = std::move(rows), progressOf = std::move(progressOf),
                              done = std::move(done), next]() mutable {
        AppendRowsInSlices(std::move(rows), std::move(progressOf), std::move(done), next);
    });
}

} // namespace browser
