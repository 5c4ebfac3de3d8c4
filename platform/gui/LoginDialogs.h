// The login and password dialogs a database connection asks with: small modal forms with
// labelled edits and OK and Cancel buttons. Each answers false when the user cancelled and then
// leaves the caller's texts as they were.
#pragma once

#include <string>

// "Database Login" for DatabaseName: the user name (offered as given) and the password.
bool LoginDialog(const std::string& DatabaseName, std::string& UserName, std::string& Password);
// "Enter password": a password, typed hidden.
bool PasswordDialog(std::string& Password);
