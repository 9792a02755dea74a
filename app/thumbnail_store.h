#pragma once

#include "app/thumbnail_maker.h"

#include <QObject>
#include <QPalette>
#include <QPixmap>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vorn {

class CFarArchive;
struct TreeChange;

// The thumbnails of the icon view, by archive entry: drawn on worker
// threads, at most one per thread at a time, in the order the view last
// asked for (the rows nearest the visible ones first), and kept until the
// entry changes or the archive is replaced.
//
// The archive is read only here on the UI thread: a job takes a copy of
// the bytes already in memory, or a handle of its own on the archive's
// file with the entry's place in it, so the workers share nothing with the
// document. Each job carries the entry's generation; a change of the entry
// or of the archive moves it on, and a result drawn from what was there
// before is dropped when it arrives.
//
// A thumbnail is a QPixmap of at most kSize by kSize pixels; a null one
// means the entry has nothing to show (its icon stands). The cache holds at
// most ByteLimit() bytes of pictures and forgets the least recently wanted.
class ThumbnailStore : public QObject {
    Q_OBJECT
public:
    static constexpr int kSize = 96;
    // Entries larger than this show their icon: nothing is read.
    static constexpr uint32_t kLargestEntry = 128u << 20;

    ThumbnailStore(const CFarArchive& archive, QObject* parent = nullptr);
    // Waits for the jobs running; their results are dropped.
    ~ThumbnailStore() override;

    // Replaces the maker (tests); the cache is emptied.
    void SetMaker(ThumbnailMaker maker);
    // How many jobs run at once (by default one per processor, up to four).
    void SetWorkerCount(int count) { pool_.setMaxThreadCount(count); }
    // Sound glyphs follow the view's colours.
    void SetPalette(const QPalette& palette) { palette_ = palette; }

    struct Request {
        int32_t entry = -1;
        std::string name;
    };
    // The entries wanted now, most wanted first; what was asked before and
    // has not started is forgotten. Entries already known are skipped.
    void Want(std::vector<Request> requests);
    // Known: drawn, or found to have nothing to show.
    bool Has(int32_t entry) const { return cache_.count(entry) != 0; }
    // The thumbnail; null when unknown or nothing to show.
    QPixmap Find(int32_t entry) const;
    // Marks known entries as recently wanted, so they are the last to go.
    void Touch(int32_t entry);
    // How many thumbnails of full size the cache holds.
    int Capacity() const;
    size_t ByteLimit() const { return byteLimit_; }
    void SetByteLimit(size_t bytes);
    size_t CachedBytes() const { return cachedBytes_; }
    int CachedCount() const { return static_cast<int>(cache_.size()); }
    // Jobs waiting or running.
    int Outstanding() const { return static_cast<int>(pending_.size() + running_.size()); }

    // Forgets what a change of the tree makes stale: the entries whose bytes
    // or name changed, everything when the archive was replaced.
    void Apply(const TreeChange& change);
    void Forget(int32_t entry);
    void ForgetAll();

signals:
    // A thumbnail became known (also "nothing to show").
    void thumbnailReady(int32_t entry);

private:
    struct Cached {
        QPixmap picture;
        std::list<int32_t>::iterator use;
    };
    void StartJobs();
    void Start(const Request& request);
    void Finish(int32_t entry, uint64_t generation, Thumbnail result);
    void Store(int32_t entry, QPixmap picture);
    void Evict();
    uint64_t GenerationOf(int32_t entry) const;
    void Release(int32_t entry);

    const CFarArchive& archive_;
    ThumbnailMaker maker_;
    QPalette palette_;
    QThreadPool pool_;
    std::deque<Request> pending_;
    std::unordered_set<int32_t> running_;
    std::unordered_map<int32_t, Cached> cache_;
    std::list<int32_t> uses_;  // most recently wanted first
    size_t cachedBytes_ = 0;
    size_t byteLimit_ = 96u << 20;
    // Generations from one counter: every entry has the archive's, the one
    // of its replacement, unless it changed since and has its own, newer. A
    // job's result counts only when its entry's is still the one it started
    // with. Jobs read the archive's to skip work once it is replaced.
    uint64_t lastGeneration_ = 1;
    std::atomic<uint64_t> archiveGeneration_{1};
    std::unordered_map<int32_t, uint64_t> entryGenerations_;
};

} // namespace vorn
