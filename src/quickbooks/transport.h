#pragma once
// How qbXML reaches QuickBooks: one request document in, one response document out.
// A transport that cannot reach QuickBooks throws QbError(kNotReachable, ...).

#include <string>

namespace vqb::qb {

class QbTransport {
 public:
  virtual ~QbTransport() = default;
  // Opens and closes a session with the company file; process() works without them too
  // (it opens its own session), as every request is self-contained.
  virtual void openConnection(const std::string& connectionString) = 0;
  virtual void closeConnection() = 0;
  virtual std::string process(const std::string& requestXml) = 0;
};

}  // namespace vqb::qb
