// XmlBlockScanner: finds, in the XML text of a document part as it arrives,
// the root element's start tag and each complete child element of the body
// (<w:p>, <w:tbl>, …). The reader parses one block at a time, so the memory a
// manuscript takes does not grow with the size of its XML.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "wordproc/XmlTree.h"

namespace tessaly::wordproc {

class XmlBlockScanner {
public:
    // onRoot receives the root element's start tag; onBlock a body child
    // element, with its offset in the whole part. The texts are valid only
    // during the call.
    //
    // Given onTree, the scanner reads each body child into an XmlTree as it
    // finds it, which is also how it finds the child's end, and hands the
    // tree over with the child's offset: onTree takes the tree from the
    // slot it is given and may leave a used one there to be filled next
    // (else the scanner makes one). Children the tree declines go to
    // onBlock as text. The trees share a memo: the one given, which must
    // outlive the trees, or the scanner's own.
    using TreeSlot = std::unique_ptr<XmlTree>;
    XmlBlockScanner(std::function<void(std::string_view)> onRoot,
                    std::function<void(std::string_view, size_t)> onBlock,
                    std::function<void(TreeSlot&, size_t)> onTree = {}, XmlTree::Memo* memo = nullptr)
        : m_onRoot(std::move(onRoot)), m_onBlock(std::move(onBlock)), m_onTree(std::move(onTree)),
          m_memo(memo ? memo : &m_ownMemo) {}

    // Scans the next piece of the part. Throws std::runtime_error when the
    // XML is malformed in a way the scanner sees.
    void feed(std::string_view data);
    // The same for a piece written straight into the scanner's memory: room
    // for up to n bytes, then how many of them were written.
    char* room(size_t n);
    void filled(size_t n);

    // The part has ended: scans what is left and throws std::runtime_error
    // when it ended inside an element.
    void finish();

    bool sawBody() const { return m_sawBody; }

private:
    void scan();
    enum class TreeOutcome { Read, Wait, Declined };
    // Reads the body child at i into a tree and hands it over.
    TreeOutcome readTree(size_t i);
    // The end (one past '>') of the markup starting at i, or npos when it is
    // not all there yet.
    size_t markupEnd(size_t i) const;

    std::function<void(std::string_view)> m_onRoot;
    std::function<void(std::string_view, size_t)> m_onBlock;
    std::function<void(TreeSlot&, size_t)> m_onTree;
    TreeSlot m_tree;
    XmlTree::Memo m_ownMemo;
    XmlTree::Memo* m_memo;  // what the trees read teaches the next
    size_t m_treeWait = 0;  // bytes from the waiting child's start before it is read again
    bool m_finished = false;
    // The text not yet done with: its first m_length bytes from m_start in
    // m_store, then a '\0'. The trees read from the store keep it alive, so
    // that what is done with is dropped by moving m_start, never by moving
    // bytes a tree may still read; a store that is full is left to the
    // trees, and what is pending goes on in a new one.
    std::shared_ptr<char[]> m_store;
    size_t m_capacity = 0;
    size_t m_start = 0;
    char* buffer() { return m_store.get() + m_start; }
    const char* buffer() const { return m_store.get() + m_start; }
    size_t m_length = 0;
    size_t m_pos = 0;        // scanning position in the text
    size_t m_consumed = 0;   // bytes of the part dropped from the front of the text
    size_t m_blockStart = std::string::npos;
    int m_depth = 0;
    bool m_inBody = false;
    bool m_sawBody = false;
    bool m_sawRoot = false;
};

}  // namespace tessaly::wordproc
