#include "mailstore/pst/messaging/pst_writer.h"

#include <chrono>
#include <random>

#include "mailstore/pst/ltp/pc_builder.h"
#include "mailstore/pst/ltp/tc_builder.h"
#include "mailstore/pst/messaging/name_to_id_map.h"
#include "mailstore/pst/messaging/table_schemas.h"
#include "mailstore/pst/messaging/tags.h"
#include "mailstore/pst/messaging/text.h"
#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

constexpr std::uint32_t kValidFolderMask = 0x1 | 0x8 | 0x40 | 0x80;  // subtree, wastebasket, views, finder
const std::uint32_t kTagValidFolderMask = makeTag(0x35DF, kPtInt32);
const std::uint32_t kTagIpmSubtreeEntryId = makeTag(0x35E0, kPtBinary);
const std::uint32_t kTagIpmWastebasketEntryId = makeTag(0x35E3, kPtBinary);
const std::uint32_t kTagIpmOutboxEntryId = makeTag(0x35E2, kPtBinary);
const std::uint32_t kTagIpmSentMailEntryId = makeTag(0x35E4, kPtBinary);
const std::uint32_t kTagIpmDraftsEntryId = makeTag(0x36D7, kPtBinary);
const std::uint32_t kTagCommonViewsEntryId = makeTag(0x35E6, kPtBinary);
const std::uint32_t kTagFinderEntryId = makeTag(0x35E7, kPtBinary);
const std::uint32_t kTagReplVersionHistory = makeTag(0x0E34, kPtBinary);
const std::uint32_t kTagReplFlags = makeTag(0x0E38, kPtInt32);
const std::uint32_t kTagPstPassword = makeTag(0x67FF, kPtInt32);
const std::uint32_t kTagPstLrNoRestrictions = makeTag(0x6633, kPtBool);
const std::uint32_t kTagPstHiddenCount = makeTag(0x66FA, kPtInt32);
const std::uint32_t kTagReceiveFolder = makeTag(0x6605, kPtInt32);
const std::uint32_t kTagSearchFolderFlags = makeTag(0x660B, kPtInt32);

PropList folderProps(std::u16string_view name, bool subfolders) {
  return {propString(tags::DisplayName, name), propInt32(tags::ContentCount, 0),
          propInt32(tags::ContentUnreadCount, 0), propBool(tags::Subfolders, subfolders)};
}

std::uint32_t int32Of(const PropList& props, std::uint32_t tag) {
  const PropValue* v = findProp(props, tag);
  return v && v->data.size() >= 4 ? loadLe32(v->data.data()) : 0;
}

bool inSchema(const TableSchema& s, std::uint32_t tag) {
  for (std::uint32_t t : s.tags)
    if (t == tag) return true;
  return false;
}

}  // namespace

PstWriter::PstWriter(const std::string& path, const std::u16string& displayName, PstWriterOptions options)
    : ndb_(path), options_(std::move(options)) {
  std::random_device rd;
  std::mt19937_64 rng((static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
                      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (auto& b : context_.storeUid) b = static_cast<std::uint8_t>(rng());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
  context_.now = toFileTime(seconds);
  context_.warn = options_.warn;
  context_.maxMessageBytes = options_.maxMessageBytes;
  ndb_.file().limitSpace(options_.diskSpace);
  createStore(displayName);
  flush();
}

std::vector<std::uint8_t> PstWriter::entryId(Nid nid) const {
  // MS-PST 2.4.3.2: four zero flag bytes, the store's record key, the NID.
  std::vector<std::uint8_t> id(24, 0);
  std::copy(context_.storeUid.begin(), context_.storeUid.end(), id.begin() + 4);
  storeLe32(&id[20], nid);
  return id;
}

void PstWriter::writeStatic(Nid nid, const PropList& props) {
  Subnodes subs(ndb_, nullptr);
  PcBuilder pc(props, subs);
  ndb_.setNode({nid, pc.write(ndb_, nullptr), subs.writeTree(), 0});
}

void PstWriter::writeEmptyTable(Nid nid, const TableSchema& schema) {
  Subnodes subs(ndb_, nullptr);
  const NodeData t = writeTable(schema, 0, [](std::size_t) { return TableRow{}; }, subs);
  ndb_.setNode({nid, t.bid, 0, 0});
}

PstWriter::Folder& PstWriter::addFolderState(Nid nid, Nid parent, PropList props, bool search) {
  Folder& f = folders_[nid];
  f.nid = nid;
  f.parent = parent;
  f.props = std::move(props);
  f.search = search;
  if (parent != nid) folder(parent).children.push_back(nid);
  if (!search) writeEmptyTable(tableOf(nid, kNidAssocContentsTable), schemas::kAssocContents);
  return f;
}

void PstWriter::createStore(const std::u16string& displayName) {
  // MS-PST 2.4.3.1 the message store.
  std::vector<std::uint8_t> history(24, 0);
  storeLe32(&history[0], 1);
  for (std::size_t i = 0; i < 16; ++i) history[4 + i] = static_cast<std::uint8_t>(context_.storeUid[15 - i] ^ 0x5A);
  storeLe32(&history[20], 1);
  storeProps_ = {propBinary(kTagReplVersionHistory, history), propInt32(kTagReplFlags, 0),
                 propBinary(tags::RecordKey, context_.storeUid), propString(tags::DisplayName, displayName),
                 propInt32(kTagValidFolderMask, kValidFolderMask),
                 propBinary(kTagIpmSubtreeEntryId, entryId(kNidIpmSubtree)),
                 propBinary(kTagIpmWastebasketEntryId, entryId(kNidDeletedItems)),
                 propBinary(kTagCommonViewsEntryId, entryId(kNidCommonViews)),
                 propBinary(kTagFinderEntryId, entryId(kNidSearchRoot)), propBool(kTagPstLrNoRestrictions, true),
                 propInt32(kTagPstHiddenCount, 0x000E0011), propInt32(kTagPstPassword, 0)};
  writeStoreObject();
  // MS-PST 2.4.7 the name-to-id map.
  writeStatic(kNidNameToIdMap, newNameToIdMap());
  // MS-PST 2.4.3.3 templates of the tables.
  writeEmptyTable(kNidHierarchyTableTemplate, schemas::kHierarchy);
  writeEmptyTable(kNidContentsTableTemplate, schemas::kContents);
  writeEmptyTable(kNidAssocContentsTableTemplate, schemas::kAssocContents);
  writeEmptyTable(kNidSearchContentsTableTemplate, schemas::kSearchContents);
  writeEmptyTable(kNidAttachmentTableTemplate, schemas::kAttachments);
  writeEmptyTable(kNidRecipientTableTemplate, schemas::kRecipients);
  writeEmptyTable(kNidContentsIndexTemplate, schemas::kContentsIndex);
  writeEmptyTable(kNidSearchIndexTemplate, schemas::kSearchIndex);
  writeEmptyTable(kNidAttachmentIndexTemplate, schemas::kAttachmentIndex);
  writeEmptyTable(kNidOutgoingQueueTable, schemas::kOutgoingQueue);
  // Mail of every class is received into the root folder until a client chooses an Inbox.
  writeReceiveFolderTable(kNidRootFolder);
  // Search management nodes (MS-PST 2.4.8): empty queues, and the search activity list
  // naming the one search folder.
  for (Nid nid : {kNidSearchManagementQueue, kNidSearchDomainObject, kNidSearchGathererQueue,
                  kNidSearchGathererDescriptor, kNidSearchGathererFolderQueue})
    ndb_.setNode({nid, 0, 0, 0});
  std::uint8_t sal[4];
  storeLe32(sal, kNidSpamSearchFolder);
  ndb_.setNode({kNidSearchActivityList, ndb_.writeBlock(sal, false), 0, 0});

  // MS-PST 2.4.4 the folder tree: the root, the IPM subtree with Deleted Items, the search
  // root, the common views folder and the spam search folder.
  addFolderState(kNidRootFolder, kNidRootFolder, folderProps(u"", true), false);
  addFolderState(kNidIpmSubtree, kNidRootFolder, folderProps(u"Top of Outlook data file", true), false);
  addFolderState(kNidSearchRoot, kNidRootFolder, folderProps(u"Search Root", false), false);
  PropList spam = folderProps(u"SPAM Search Folder 2", false);
  addFolderState(kNidSpamSearchFolder, kNidRootFolder, spam, true);
  PropList views = folderProps(u"IPM_COMMON_VIEWS", false);
  views.push_back(propString(tags::Comment, u""));
  addFolderState(kNidCommonViews, kNidRootFolder, views, false);
  PropList deleted = folderProps(u"Deleted Items", false);
  deleted.push_back(propString(tags::Comment, u"Deleted Items folder"));
  addFolderState(kNidDeletedItems, kNidIpmSubtree, deleted, false);
  ndb_.setNode({tableOf(kNidSpamSearchFolder, kNidSearchUpdateQueue), 0, 0, 0});
  writeStatic(tableOf(kNidSpamSearchFolder, kNidSearchCriteriaObject), {propInt32(kTagSearchFolderFlags, 0)});
  writeEmptyTable(tableOf(kNidSpamSearchFolder, kNidSearchContentsTable), schemas::kSearchContents);
  ndb_.reserveNidIndex(kNidNormalFolder, nidIndex(kNidCommonViews));
  for (NidType t : {kNidHierarchyTable, kNidContentsTable, kNidAssocContentsTable})
    ndb_.reserveNidIndex(t, nidIndex(kNidCommonViews));
}

void PstWriter::writeReceiveFolderTable(Nid receiver) {
  for (Bid b : receiveTableBlocks_) ndb_.releaseBlock(b);
  receiveTableBlocks_.clear();
  Subnodes subs(ndb_, &receiveTableBlocks_);
  const NodeData t = writeTable(schemas::kReceiveFolder, 1, [receiver](std::size_t) {
    return TableRow{1, {propInt32(kTagReceiveFolder, receiver), propString(tags::MessageClass, u"")}};
  }, subs);
  ndb_.setNode({kNidReceiveFolderTable, t.bid, subs.writeTree(), 0});
}

Nid PstWriter::addInbox() {
  if (inbox_) return *inbox_;
  const Nid nid = addFolder(kNidIpmSubtree, u"Inbox", "IPF.Note");
  writeReceiveFolderTable(nid);
  inbox_ = nid;
  return nid;
}

void PstWriter::writeStoreObject() {
  for (Bid b : storeBlocks_) ndb_.releaseBlock(b);
  storeBlocks_.clear();
  Subnodes subs(ndb_, &storeBlocks_);
  PcBuilder pc(storeProps_, subs);
  const Bid data = pc.write(ndb_, &storeBlocks_);
  ndb_.setNode({kNidMessageStore, data, subs.writeTree(), 0});
  storeDirty_ = false;
}

std::optional<Nid> PstWriter::standardFolder(mail::DefaultFolder which) const {
  auto it = standard_.find(which);
  if (it == standard_.end()) return std::nullopt;
  return it->second;
}

Nid PstWriter::addStandardFolder(mail::DefaultFolder which) {
  if (auto made = standardFolder(which)) return *made;
  Nid nid = 0;
  switch (which) {
    case mail::DefaultFolder::Outbox:
      nid = addFolder(kNidIpmSubtree, u"Outbox", "IPF.Note");
      setProp(storeProps_, propBinary(kTagIpmOutboxEntryId, entryId(nid)));
      storeDirty_ = true;
      break;
    case mail::DefaultFolder::SentItems:
      nid = addFolder(kNidIpmSubtree, u"Sent Items", "IPF.Note");
      setProp(storeProps_, propBinary(kTagIpmSentMailEntryId, entryId(nid)));
      storeDirty_ = true;
      break;
    case mail::DefaultFolder::Drafts: {
      nid = addFolder(kNidIpmSubtree, u"Drafts", "IPF.Note");
      // Clients read the Drafts folder's identifier from the root folder and the Inbox.
      for (Nid holder : {kNidRootFolder, inbox_.value_or(kNidRootFolder)}) {
        Folder& f = folder(holder);
        setProp(f.props, propBinary(kTagIpmDraftsEntryId, entryId(nid)));
        f.pcDirty = true;
      }
      break;
    }
    default:
      throw mail::StoreError("no such standard folder in a personal folder file");
  }
  standard_[which] = nid;
  return nid;
}

PstWriter::Folder& PstWriter::folder(Nid nid) {
  auto it = folders_.find(nid);
  if (it == folders_.end()) throw mail::StoreError("no such folder in the personal folder file");
  return it->second;
}
const PstWriter::Folder& PstWriter::folder(Nid nid) const {
  auto it = folders_.find(nid);
  if (it == folders_.end()) throw mail::StoreError("no such folder in the personal folder file");
  return it->second;
}

std::vector<Nid> PstWriter::childFolders(Nid parent) const { return folder(parent).children; }

std::u16string PstWriter::folderName(Nid nid) const {
  const PropValue* v = findProp(folder(nid).props, tags::DisplayName);
  std::u16string out;
  if (v)
    for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) out.push_back(static_cast<char16_t>(loadLe16(&v->data[i])));
  return out;
}

std::string PstWriter::folderClass(Nid nid) const {
  const PropValue* v = findProp(folder(nid).props, tags::ContainerClass);
  std::string out;
  if (v)
    for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) out.push_back(static_cast<char>(loadLe16(&v->data[i])));
  return out;
}

void PstWriter::markCountsChanged(Folder& f) {
  f.pcDirty = true;
  if (f.parent != f.nid) folder(f.parent).hierarchyDirty = true;
}

Nid PstWriter::addFolder(Nid parent, const std::u16string& name, const std::string& containerClass) {
  if (failed_) throw mail::StoreError("the personal folder file could not be written before");
  Folder& p = folder(parent);
  if (p.search) throw mail::StoreError("folders cannot be added to a search folder");
  const Nid nid = ndb_.allocateNid(kNidNormalFolder);
  for (NidType t : {kNidHierarchyTable, kNidContentsTable, kNidAssocContentsTable})
    ndb_.reserveNidIndex(t, nidIndex(nid));
  PropList props = folderProps(name, false);
  if (!containerClass.empty()) props.push_back(propAscii(tags::ContainerClass, containerClass));
  addFolderState(nid, parent, std::move(props), false);
  dirty_ = true;
  Folder& up = folder(parent);
  setProp(up.props, propBool(tags::Subfolders, true));
  up.hierarchyDirty = true;
  markCountsChanged(up);
  return nid;
}

void PstWriter::addMessage(Nid folderNid, const mail::Message& message, bool received) {
  if (failed_) throw mail::StoreError("the personal folder file could not be written before");
  Folder& f = folder(folderNid);
  if (f.search) throw mail::StoreError("mails cannot be added to a search folder");
  try {
    const Nid nid = ndb_.allocateNid(kNidNormalMessage);
    MessageNode node = writeMessageNode(ndb_, message, received, nid, context_);
    ndb_.setNode({nid, node.data, node.sub, folderNid});
    PropList row;
    for (auto& p : node.props)
      if (inSchema(schemas::kContents, p.tag)) row.push_back(std::move(p));
    row.push_back(propInt32(tags::MessageStatus, 0));
    f.contents.emplace_back(nid, packProps(row));
  } catch (...) {
    failed_ = true;
    throw;
  }
  dirty_ = true;
  ++unflushed_;
  setProp(f.props, propInt32(tags::ContentCount, int32Of(f.props, tags::ContentCount) + 1));
  // Drafts are stored read; received mails as their old store had them.
  if (received && message.unread)
    setProp(f.props, propInt32(tags::ContentUnreadCount, int32Of(f.props, tags::ContentUnreadCount) + 1));
  f.contentsDirty = true;
  markCountsChanged(f);
}

std::size_t PstWriter::messageCount(Nid folderNid) const { return folder(folderNid).contents.size(); }

void PstWriter::writeFolder(Folder& f) {
  if (f.pcDirty) {
    for (Bid b : f.pcBlocks) ndb_.releaseBlock(b);
    f.pcBlocks.clear();
    Subnodes subs(ndb_, &f.pcBlocks);
    PcBuilder pc(f.props, subs);
    const Bid data = pc.write(ndb_, &f.pcBlocks);
    ndb_.setNode({f.nid, data, subs.writeTree(), f.parent});
    f.pcDirty = false;
  }
  if (f.search) return;
  if (f.hierarchyDirty) {
    for (Bid b : f.hierarchyBlocks) ndb_.releaseBlock(b);
    f.hierarchyBlocks.clear();
    Subnodes subs(ndb_, &f.hierarchyBlocks);
    const NodeData t = writeTable(schemas::kHierarchy, f.children.size(), [this, &f](std::size_t i) {
      const Folder& c = folder(f.children[i]);
      return TableRow{c.nid, c.props};
    }, subs);
    ndb_.setNode({tableOf(f.nid, kNidHierarchyTable), t.bid, subs.writeTree(), 0});
    f.hierarchyDirty = false;
  }
  if (f.contentsDirty) {
    for (Bid b : f.contentsBlocks) ndb_.releaseBlock(b);
    f.contentsBlocks.clear();
    Subnodes subs(ndb_, &f.contentsBlocks);
    const NodeData t = writeTable(schemas::kContents, f.contents.size(), [&f](std::size_t i) {
      return TableRow{f.contents[i].first, unpackProps(f.contents[i].second)};
    }, subs);
    ndb_.setNode({tableOf(f.nid, kNidContentsTable), t.bid, subs.writeTree(), 0});
    f.contentsDirty = false;
  }
}

void PstWriter::flush() {
  if (failed_) throw mail::StoreError("the personal folder file could not be written before");
  if (!dirty_) return;
  try {
    if (storeDirty_) writeStoreObject();
    for (auto& [nid, f] : folders_) writeFolder(f);
    ndb_.commit();
    dirty_ = false;
    unflushed_ = 0;
  } catch (...) {
    failed_ = true;
    throw;
  }
}

}  // namespace qm::pst
