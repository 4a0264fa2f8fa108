#pragma once
// The emulated host's database: the tables the add-in reads and writes, plus the host's own
// activities and users, and a German demo sample.

#include <QStringList>

namespace sv::emu {

// CREATE TABLE statements of an empty host database.
QStringList hostSchemaStatements();

// The single user every new host has.
QStringList defaultUserStatements();

// A realistic sample: activity types, process definitions (valid, expired, archived; a type with one
// process, one with three, one with none), activities in both panes with plain and HTML notes.
QStringList demoSeedStatements();

// DSNs of the demo sample that scripts and tests refer to.
namespace demo {
inline constexpr char kAdminUser[] = "5A1E0000-0000-4000-8000-000000000001";
inline constexpr char kTypeComplaint[] = "A7000000-0000-4000-8000-000000000001";  // three valid processes
inline constexpr char kTypeOffer[] = "A7000000-0000-4000-8000-000000000002";      // one valid process
inline constexpr char kTypeCall[] = "A7000000-0000-4000-8000-000000000003";       // no process
inline constexpr char kTypeService[] = "A7000000-0000-4000-8000-000000000004";    // two valid processes
inline constexpr char kActComplaint[] = "AC000000-0000-4000-8000-000000000001";   // plain note
inline constexpr char kActOffer[] = "AC000000-0000-4000-8000-000000000002";       // HTML note
inline constexpr char kActCall[] = "AC000000-0000-4000-8000-000000000003";
inline constexpr char kActUntyped[] = "AC000000-0000-4000-8000-000000000004";  // ART_DSN Null
inline constexpr char kActRunning[] = "AC000000-0000-4000-8000-000000000005";  // already started
inline constexpr char kActService[] = "AC000000-0000-4000-8000-000000000006";  // follow-up pane
}  // namespace demo

}  // namespace sv::emu
