// The component's object model driven as the PST, MSG and RTF modes drive it, over the
// memory store.
#include "mailstore/rdo_objects.h"

#include <gtest/gtest.h>

#include "mailstore/memory_store.h"
#include "tests/mailstore/corpus_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace qm::mail;
using qm::test::TempDir;

ComponentSetup memorySetup(MemoryStore** made) {
  ComponentSetup setup;
  setup.storeFactory = MemoryStore::factory(made);
  return setup;
}

std::string corpusMail(const char* name) { return qm::test::corpusFolder() + "/" + name; }

// A session logged on to a memory store with its standard folders, as every mode starts.
struct LoggedOn {
  MemoryStore* memory = nullptr;
  RDOSession session{memorySetup(&memory)};
  std::shared_ptr<RDOStore> store = session.logonPstStore("/tmp/Converted_Inbox.pst", "Tarnwick Converted Mails");
  LoggedOn() { store->ensureStandardFolders(); }
  std::shared_ptr<RDOMail> newInboxMail() { return store->getDefaultFolder(6)->items()->add(0); }
};

TEST(RdoSession, NoStoreWithoutAStoreKindAndNoLogon) {
  RDOSession session{ComponentSetup{}};
  EXPECT_EQ(session.logonPstStore("/tmp/x.pst", "Mails"), nullptr);
  EXPECT_FALSE(session.loggedOn());
  EXPECT_FALSE(session.lastError().empty());
}

TEST(RdoSession, AStoreThatCannotBeCreatedGivesNoStore) {
  ComponentSetup setup;
  setup.storeFactory = [](const std::string& path, const std::u16string&, const StoreWarningHandler&) -> std::unique_ptr<StoreBackend> {
    throw StoreError("cannot create " + path);
  };
  RDOSession session(setup);
  EXPECT_EQ(session.logonPstStore("/nowhere/x.pst", "Mails"), nullptr);
  EXPECT_FALSE(session.loggedOn());
  EXPECT_EQ(session.lastError(), "cannot create /nowhere/x.pst");
}

TEST(RdoSession, LogonCreatesTheStoreUnderItsDisplayName) {
  LoggedOn s;
  ASSERT_NE(s.store, nullptr);
  EXPECT_TRUE(s.session.loggedOn());
  EXPECT_EQ(s.memory->displayName(), u"Tarnwick Converted Mails");
  EXPECT_THROW(s.session.logonPstStore("/tmp/other.pst", "x"), ComponentError);
}

TEST(RdoStore, StandardFoldersExistAfterTheCallThatFollowsLogon) {
  MemoryStore* memory = nullptr;
  RDOSession session(memorySetup(&memory));
  auto store = session.logonPstStore("/tmp/x.pst", "Mails");
  EXPECT_EQ(store->getDefaultFolder(6), nullptr) << "not before";
  store->ensureStandardFolders();
  store->ensureStandardFolders();
  const auto inbox = store->getDefaultFolder(6);
  ASSERT_NE(inbox, nullptr);
  EXPECT_EQ(inbox->name(), "Inbox");
  EXPECT_EQ(inbox->kind(), folder_kinds::kMail);
  EXPECT_EQ(store->getDefaultFolder(5)->name(), "Sent Items");
  EXPECT_EQ(store->getDefaultFolder(99), nullptr);
  EXPECT_EQ(store->getDefaultFolder(0), nullptr);
  EXPECT_EQ(store->ipmRootFolder()->folders()->count(), 4) << "made once";
}

TEST(RdoFolders, OneBasedItemsAndAddedFoldersOfAKind) {
  LoggedOn s;
  auto children = s.store->ipmRootFolder()->folders();
  const std::int32_t before = children->count();
  EXPECT_EQ(children->item(0), nullptr);
  EXPECT_EQ(children->item(before + 1), nullptr);
  EXPECT_EQ(children->item(1)->name(), "Inbox");

  auto added = children->add("inbox", s.store->getDefaultFolder(6)->kind());
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(children->count(), before + 1) << "a name differing only in letter case is a new folder";
  EXPECT_EQ(children->item(before + 1)->name(), "inbox");
  EXPECT_EQ(s.memory->folderClass(added->id()), "IPF.Note");
  EXPECT_EQ(s.memory->folderClass(children->add("Contacts", folder_kinds::kContact)->id()), "IPF.Contact");
  EXPECT_EQ(s.memory->folderClass(children->add("Odd", 77)->id()), "IPF.Note");
  EXPECT_EQ(children->add("Zürich", 0)->name(), "Zürich");
}

TEST(RdoItems, OnlyMailsCanBeAdded) {
  LoggedOn s;
  auto items = s.store->getDefaultFolder(6)->items();
  EXPECT_NE(items->add(0), nullptr);
  EXPECT_EQ(items->add(1), nullptr);
}

TEST(RdoMail, ImportedReceivedAndSavedStaysInItsFolder) {
  LoggedOn s;
  auto target = s.store->ipmRootFolder()->folders()->add("Inbox-2003", 0);
  auto mail = target->items()->add(0);
  mail->importFile(corpusMail("multipart-alternative.eml"), formats::kImportRfc822);
  mail->setReceived(true);
  mail->save();
  mail->save();
  const auto& stored = s.memory->mails(target->id());
  ASSERT_EQ(stored.size(), 1u) << "a second save without a change adds nothing";
  EXPECT_TRUE(stored[0].received);
  EXPECT_EQ(stored[0].message.subject, u"Plain and HTML");
  EXPECT_TRUE(s.memory->mails(s.store->getDefaultFolder(6)->id()).empty());

  mail->setReceived(false);
  EXPECT_THROW(mail->save(), ComponentError) << "a saved mail cannot be replaced";
}

TEST(RdoMail, StateFromTheOldStoreTravelsWithTheMail) {
  LoggedOn s;
  auto inbox = s.store->getDefaultFolder(6);
  auto mail = inbox->items()->add(0);
  mail->importFile(corpusMail("multipart-alternative.eml"), formats::kImportRfc822);
  mail->setReceived(true);
  mail->setUnread(true);
  mail->setFlagged(true);
  mail->setReceivedTime(1577934245);
  mail->save();
  const auto& stored = s.memory->mails(inbox->id());
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(stored[0].message.unread);
  EXPECT_TRUE(stored[0].message.flagged);
  EXPECT_EQ(stored[0].message.receivedTime, 1577934245);
  mail->importFile(corpusMail("multipart-alternative.eml"), formats::kImportRfc822);
  EXPECT_FALSE(mail->message().unread) << "a mail filled anew starts read";
}

TEST(RdoMail, ImportFailuresAreRaised) {
  LoggedOn s;
  auto mail = s.newInboxMail();
  EXPECT_THROW(mail->importFile(corpusMail("no-such-file.eml"), formats::kImportRfc822), ComponentError);
  EXPECT_THROW(mail->importFile(corpusMail("importance.eml"), 3), ComponentError);
  mail->save();
  EXPECT_EQ(s.memory->mails(s.store->getDefaultFolder(6)->id()).size(), 1u) << "an empty mail can be saved";
}

class RecordingWriter : public MessageFileWriter {
 public:
  void write(const Message& message, bool received, const std::string& path) const override {
    if (path.find("fail") != std::string::npos) throw std::runtime_error("disk full");
    qm::test::writeFile(path, std::string(received ? "received " : "draft ") +
                                  std::string(message.subject.begin(), message.subject.end()));
  }
};

TEST(RdoMail, SaveAsGoesToTheWriterOfTheFormat) {
  TempDir dir;
  MemoryStore* memory = nullptr;
  ComponentSetup setup = memorySetup(&memory);
  setup.msgWriter = std::make_shared<RecordingWriter>();
  RDOSession session(setup);
  auto store = session.logonPstStore(dir.file("t.pst"), "Mails");
  store->ensureStandardFolders();
  auto mail = store->getDefaultFolder(6)->items()->add(0);
  mail->importFile(corpusMail("importance.eml"), formats::kImportRfc822);
  mail->setReceived(true);
  mail->saveAs(dir.file("Converted_msg_000001.msg"), formats::kSaveAsMsg);
  EXPECT_EQ(qm::test::readFile(dir.file("Converted_msg_000001.msg")), "received Urgent");
  EXPECT_TRUE(memory->mails(store->getDefaultFolder(6)->id()).empty()) << "saving as a file saves nothing in the store";

  EXPECT_THROW(mail->saveAs(dir.file("x.rtf"), formats::kSaveAsRtf), ComponentError) << "no RTF writer";
  EXPECT_THROW(mail->saveAs(dir.file("x.txt"), 2), ComponentError);
  try {
    mail->saveAs(dir.file("fail.msg"), formats::kSaveAsMsg);
    FAIL() << "a failing writer is reported";
  } catch (const ComponentError& e) {
    EXPECT_NE(std::string(e.what()).find("disk full"), std::string::npos);
  }
}

TEST(RdoAttachments, CountItemsNamesAndContent) {
  TempDir dir;
  LoggedOn s;
  auto mail = s.newInboxMail();
  EXPECT_EQ(mail->attachments()->count(), 0);
  mail->importFile(corpusMail("rfc2231-parameters.eml"), formats::kImportRfc822);
  auto attachments = mail->attachments();
  ASSERT_EQ(attachments->count(), 3);
  EXPECT_EQ(attachments->item(0), nullptr);
  EXPECT_EQ(attachments->item(4), nullptr);
  auto first = attachments->item(1);
  EXPECT_EQ(first->fileName(), "Grüße aus Köln.txt");
  first->saveAsFile(dir.file(first->fileName()));
  EXPECT_EQ(qm::test::readFile(dir.file("Grüße aus Köln.txt")), "Hallo");
  EXPECT_THROW(first->saveAsFile(dir.file("no-such-folder") + "/x.txt"), ComponentError);
}

TEST(RdoAttachments, AnEmbeddedMessageIsSavedAsItsEmlText) {
  TempDir dir;
  LoggedOn s;
  auto mail = s.newInboxMail();
  mail->importFile(corpusMail("embedded-message.eml"), formats::kImportRfc822);
  auto embedded = mail->attachments()->item(1);
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(embedded->fileName(), "Original subject.eml");
  embedded->saveAsFile(dir.file("saved.eml"));
  const std::string saved = qm::test::readFile(dir.file("saved.eml"));
  EXPECT_TRUE(saved.starts_with("From: original@example.org\r\nTo: forwarder@example.com\r\n"));
  EXPECT_TRUE(saved.ends_with("--inner--\r\n"));
}

TEST(RdoAttachments, AttachmentsOutliveTheMailAndItsNextImport) {
  LoggedOn s;
  auto mail = s.newInboxMail();
  mail->importFile(corpusMail("multipart-signed.eml"), formats::kImportRfc822);
  auto signature = mail->attachments()->item(1);
  mail->importFile(corpusMail("importance.eml"), formats::kImportRfc822);
  mail.reset();
  EXPECT_EQ(signature->fileName(), "signature.asc");
}

// A store whose operations fail as a full disk would make them.
class FailingStore : public MemoryStore {
 public:
  explicit FailingStore(int* flushes) : flushes_(flushes) {}
  void addMessage(FolderId, const Message&, bool) override { throw StoreError("disk full"); }
  FolderId addFolder(FolderId parent, const std::u16string& name, const std::string& containerClass) override {
    if (name == u"New") throw StoreError("disk full");
    return MemoryStore::addFolder(parent, name, containerClass);
  }
  void flush() override { ++*flushes_; }

 private:
  int* flushes_;
};

TEST(RdoObjects, StoreFailuresReachTheCallerAsComponentErrorsAndTheStoreIsFlushedAtTheEnd) {
  int flushes = 0;
  ComponentSetup setup;
  setup.storeFactory = [&](const std::string&, const std::u16string&, const StoreWarningHandler&) -> std::unique_ptr<StoreBackend> {
    return std::make_unique<FailingStore>(&flushes);
  };
  {
    RDOSession session(setup);
    auto store = session.logonPstStore("/tmp/x.pst", "Mails");
    store->ensureStandardFolders();
    EXPECT_THROW(store->ipmRootFolder()->folders()->add("New", 0), ComponentError);
    auto mail = store->getDefaultFolder(6)->items()->add(0);
    EXPECT_THROW(mail->save(), ComponentError);
    EXPECT_EQ(flushes, 0);
  }
  EXPECT_EQ(flushes, 1) << "flushed once, when the last object let go";
}

TEST(RdoObjects, TheProcessWideSetupServesSessionsMadeWithoutOne) {
  MemoryStore* memory = nullptr;
  setPstBackendFactory(MemoryStore::factory(&memory));
  {
    RDOSession session;
    EXPECT_NE(session.logonPstStore("/tmp/x.pst", "Mails"), nullptr);
    EXPECT_NE(memory, nullptr);
  }
  setPstBackendFactory(nullptr);
  RDOSession without;
  EXPECT_EQ(without.logonPstStore("/tmp/x.pst", "Mails"), nullptr);
}

}  // namespace
