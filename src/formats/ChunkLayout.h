#pragma once

#include "formats/ChunkIds.h"
#include "formats/ChunkReader.h"

#include <cassert>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

// How one kind of in-memory record is read from its record chunk: a table
// from child identifier to the member it fills or the list it adds to.
// Children the table does not name are skipped, and members no child fills
// keep the values the record was created with (-1, -1.0, empty), so a
// reader of the record can tell a stored value from a missing one.
//
//   const auto event = ChunkLayout<EventDoc>()
//       .Integer(FieldId(0x15), &EventDoc::group)
//       .Real(FieldId(0x19), &EventDoc::time);
//   const auto pattern = ChunkLayout<PatternDoc>()
//       .Integer(kIndexFieldId, &PatternDoc::index)
//       .List(RecordId(0x07), &PatternDoc::events, event);
//
// A layout is built once and may be shared; it holds copies of the layouts
// of its nested records. An identifier named twice is read by its first entry.
template <typename Item> class ChunkLayout {
public:
    // Reads the child whose identifier the reader has just taken into item;
    // returns what the reader's operation returned. recordVersion is the
    // version of the record item is read from.
    using Handler =
        std::function<std::int64_t(ChunkReader& reader, Item& item, std::uint32_t recordVersion)>;

    // A child read by hand, for layouts that depend on the record version
    // or values that need converting.
    ChunkLayout& Custom(std::uint32_t identifier, Handler handler) {
        entries_.push_back(Entry{identifier, std::move(handler)});
        return *this;
    }

    ChunkLayout& Integer(std::uint32_t identifier, std::int32_t Item::*member) {
        assert(IsFieldId(identifier));
        return Custom(identifier, [member](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadInteger(item.*member);
        });
    }

    ChunkLayout& Real(std::uint32_t identifier, double Item::*member) {
        assert(IsFieldId(identifier));
        return Custom(identifier, [member](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadReal(item.*member);
        });
    }

    ChunkLayout& RealPair(std::uint32_t identifier, double Item::*first, double Item::*second) {
        assert(IsFieldId(identifier));
        return Custom(identifier, [first, second](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadRealPair(item.*first, item.*second);
        });
    }

    ChunkLayout& Text(std::uint32_t identifier, std::string Item::*member) {
        assert(IsFieldId(identifier));
        return Custom(identifier, [member](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadText(item.*member);
        });
    }

    ChunkLayout& Bytes(std::uint32_t identifier, std::vector<std::uint8_t> Item::*member) {
        assert(IsFieldId(identifier));
        return Custom(identifier, [member](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadBytes(item.*member);
        });
    }

    // One child record read into a member.
    template <typename Child>
    ChunkLayout& Nested(std::uint32_t identifier, Child Item::*member, ChunkLayout<Child> layout) {
        assert(IsRecordId(identifier));
        return Custom(identifier, [member, layout = std::move(layout)](ChunkReader& reader,
                                                                       Item& item, std::uint32_t) {
            return layout.Read(reader, item.*member);
        });
    }

    // Each child record with this identifier becomes a new element at the
    // end of the list, created with its default (missing) values. An
    // element whose read failed stays in the list as far as it was read.
    template <typename Child>
    ChunkLayout& List(std::uint32_t identifier, std::vector<Child> Item::*member,
                      ChunkLayout<Child> layout) {
        assert(IsRecordId(identifier));
        return Custom(identifier, [member, layout = std::move(layout)](ChunkReader& reader,
                                                                       Item& item, std::uint32_t) {
            return layout.Read(reader, (item.*member).emplace_back());
        });
    }

    // A child record whose children belong to item itself, for grouping
    // records (a list holder, a settings block) that have no record of
    // their own in memory.
    ChunkLayout& Group(std::uint32_t identifier, ChunkLayout layout) {
        assert(IsRecordId(identifier));
        return Custom(identifier,
                      [layout = std::move(layout)](ChunkReader& reader, Item& item, std::uint32_t) {
                          return layout.Read(reader, item);
                      });
    }

    // Reads a record chunk whose identifier the caller has taken: payload
    // size + 8, or -1 once the reader has failed (item then holds what was
    // read before the failure).
    std::int64_t Read(ChunkReader& reader, Item& item) const {
        return reader.ReadRecord([&](std::uint32_t identifier, std::uint32_t version) {
            for (const Entry& entry : entries_) {
                if (entry.identifier == identifier) {
                    return entry.handler(reader, item, version);
                }
            }
            return kUnknownChunk;
        });
    }

    // Reads a whole document: the root identifier, then the root record.
    // 1 on success; 0 with one error line on the error pipe otherwise.
    int ReadDocument(ChunkReader& reader, std::uint32_t rootIdentifier, Item& item) const {
        if (!reader.ExpectIdentifier(rootIdentifier) || Read(reader, item) < 0) {
            return reader.ReportFailure();
        }
        return 1;
    }

private:
    struct Entry {
        std::uint32_t identifier;
        Handler handler;
    };

    std::vector<Entry> entries_;
};

} // namespace tarn
