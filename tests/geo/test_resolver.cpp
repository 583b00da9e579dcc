// Name and address lookups. Only lookups that need no network: numeric
// addresses, the local host name table and texts that are no addresses.
#include <QtTest>

#include <string>
#include <vector>

#include "geo/resolver.h"

using namespace zelmora;

namespace {
std::vector<Trangerec> Table() {
  Trangerec lo;
  lo.first = 127LL << 24;
  lo.last = (128LL << 24) - 1;
  lo.cc.assign("lo");
  lo.country.assign("Loopback");
  return {lo};
}
}  // namespace

class TestResolver : public QObject {
  Q_OBJECT

 private slots:
  void dottedResolvesToItself() {
    bool libFailed = true;
    QCOMPARE(ResolveHost("192.0.2.5", &libFailed).value_or("-"), std::string("192.0.2.5"));
    QVERIFY(!libFailed);
    QCOMPARE(ResolveHost("203.0.113.254").value_or("-"), std::string("203.0.113.254"));
  }

  void localNameGivesDottedAddress() {
    const auto a = ResolveHost("localhost");
    QVERIFY(a.has_value());
    QVERIFY2(a->rfind("127.", 0) == 0, a->c_str());
  }

  void unresolvable() {
    QVERIFY(!ResolveHost("").has_value());
    QVERIFY(!ResolveHost(std::string("local\0host", 10)).has_value());
    QVERIFY(!ResolveHost("name.invalid").has_value());  // reserved: never resolves
  }

  void reverseOfNonAddresses() {
    QCOMPARE(ReverseLookup(""), std::string("?"));
    QCOMPARE(ReverseLookup("server.example.com"), std::string("?"));
    QCOMPARE(ReverseLookup("1.2.3.4.5"), std::string("?"));
    QCOMPARE(ReverseLookup("999.1.1.1"), std::string("?"));
    QCOMPARE(ReverseLookup(std::string(5000, '1')), std::string("?"));
    QCOMPARE(ReverseLookup(std::string("127.0.0.1\0x", 11)), std::string("?"));
  }

  void reverseOfLoopback() {
    const std::string name = ReverseLookup("127.0.0.1");
    QVERIFY(!name.empty());
    QVERIFY2(name != "?", "the local host table names 127.0.0.1");
    QVERIFY(name.find('\0') == std::string::npos);
  }

  void newEntryProviderText() {
    QCOMPARE(NewEntryProviderText(Table(), "server.example.com"), std::string("?;?"));
    // Without a table the country part is "?" whatever the name lookup gives.
    const std::string noTable = NewEntryProviderText({}, "127.0.0.1");
    QCOMPARE(noTable, ReverseLookup("127.0.0.1") + ";?");
    const std::string t = NewEntryProviderText(Table(), "127.0.0.1");
    const std::string suffix = ";lo;Loopback";
    QVERIFY2(
        t.size() > suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0,
        t.c_str());
    QCOMPARE(t.substr(0, t.size() - suffix.size()), ReverseLookup("127.0.0.1"));
  }
};

QTEST_APPLESS_MAIN(TestResolver)
#include "test_resolver.moc"
