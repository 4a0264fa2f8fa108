#pragma once
// The platform's run-time error: a number and a description, as the program's error
// handlers test them. Every platform stand-in raises this one type.

#include <QString>
#include <exception>
#include <string>

namespace sv {

namespace err {
inline constexpr long kObjectVariableNotSet = 91;  // an object variable holds no object
inline constexpr long kObjectRequired = 424;       // member used on a released object
inline constexpr long kCantCreateObject = 429;
inline constexpr long kNotSupported = 438;  // unknown member of an automation object
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kFileNotFound = 53;
inline constexpr long kDiskFull = 61;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathNotFound = 76;
inline constexpr long kBadArgument = 3001;      // also: a filter text that does not parse
inline constexpr long kNoCurrentRecord = 3021;  // EOF or BOF
inline constexpr long kObjectClosed = 3704;
inline constexpr long kObjectOpen = 3705;
inline constexpr long kProviderNotFound = 3706;
inline constexpr long kItemNotFound = 3265;             // field name the record set does not define
inline constexpr long kFieldNotWritable = -2147217887;  // multiple-step operation failed
inline constexpr long kBadFileFormat = -2147467259;     // unspecified error of the provider
inline constexpr long kDatabase = -2147217900;          // the data source rejected a statement
}  // namespace err

class PlatformError : public std::exception {
public:
    PlatformError(long number, QString description)
        : number_(number), description_(std::move(description)), what_(description_.toStdString()) {}

    long number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    long number_;
    QString description_;
    std::string what_;
};

}  // namespace sv
