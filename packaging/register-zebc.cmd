@echo off
rem Lets this user run .zebc scripts by name through the zeb_c.exe beside
rem this file: "hello.zebc a b" in a console, "hello a b" once .ZEBC is in
rem PATHEXT, or a double-click in Explorer. Everything is written under
rem HKEY_CURRENT_USER, so no administrator rights are needed.
rem
rem   register-zebc.cmd      registers
rem   register-zebc.cmd /u   removes what it registered
rem
rem Written for Windows' cmd and for Wine's, which the tests run: Wine's cmd
rem has no !var:...! edits and runs "b" in "a >nul || b" whatever a's
rem status, so text is edited with %var:...% outside blocks and every reg
rem is followed by "if errorlevel 1".
setlocal EnableExtensions DisableDelayedExpansion
rem Taken while delayed expansion is off, so that a "!" in the folder
rem stays; used only as !here!, so that a "&" or ")" in it is plain text.
set "here=%~dp0"
setlocal EnableDelayedExpansion
set "classes=HKCU\Software\Classes"
set "environment=HKCU\Environment"
set "system_environment=HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
if /i "%~1"=="/u" if "%~2"=="" goto unregister
if not "%~1"=="" goto usage

if exist "!here!zeb_c.exe" goto register
>&2 echo register-zebc: there is no zeb_c.exe beside this file in !here!; nothing registered
exit /b 1

:register
set "step=%classes%\.zebc"
reg add "%classes%\.zebc" /ve /t REG_SZ /d zebcfile /f >nul
if errorlevel 1 goto reg_failed
set "step=%classes%\zebcfile"
reg add "%classes%\zebcfile" /ve /t REG_SZ /d "zeb_c script" /f >nul
if errorlevel 1 goto reg_failed
set "step=%classes%\zebcfile\shell\open\command"
reg add "%classes%\zebcfile\shell\open\command" /ve /t REG_SZ /d "\"!here!zeb_c.exe\" \"%%1\" %%*" /f >nul
if errorlevel 1 goto reg_failed
echo register-zebc: for this user, .zebc files now open with "!here!zeb_c.exe" "%%1" %%*

rem A PATHEXT of the user's own replaces the system's instead of adding to
rem it, so the new one is the one in force with .ZEBC added: the user's own
rem when there is one, else the value this console was given.
call :read_user_pathext
if defined user_type goto have_base
set "user_type=REG_SZ"
set "base=%PATHEXT%"
goto trim_base
:have_base
set "base=%user_pathext%"
:trim_base
if not defined base goto no_pathext
if not "%base:~-1%"==";" goto base_trimmed
set "base=%base:~0,-1%"
goto trim_base
:base_trimmed
set "probe=;%base%;"
if /i not "%probe:;.zebc;=;%"=="%probe%" goto already_in_pathext
set "wanted=%base%;.ZEBC"
call :write_user_pathext
if errorlevel 1 goto reg_failed
echo register-zebc: .ZEBC added to this user's PATHEXT, now %wanted%
echo register-zebc: consoles opened from now on run scripts by name%broadcast_note%; this one keeps its PATHEXT
exit /b 0

:already_in_pathext
echo register-zebc: PATHEXT already holds .ZEBC (%base%); left as it is
exit /b 0

:no_pathext
>&2 echo register-zebc: PATHEXT is empty here, so .ZEBC was not added to it; scripts run by their full name
exit /b 1

:unregister
reg query "%classes%\.zebc" >nul 2>&1
if not errorlevel 1 goto check_extension
echo register-zebc: %classes%\.zebc is not there
goto remove_type
:check_extension
rem Wine's cmd hands reg's complaints to for /f as well; only a value line
rem ends in the type and the data.
set "last="
for /f "tokens=*" %%l in ('reg query "%classes%\.zebc" /ve 2^>nul') do set "last=%%l"
rem Another program may have claimed .zebc since; its association stays.
if /i not "%last:~-15%"=="_SZ    zebcfile" (
  echo register-zebc: %classes%\.zebc names another file type now; left as it is
  goto remove_type
)
set "step=%classes%\.zebc"
reg delete "%classes%\.zebc" /f >nul
if errorlevel 1 goto reg_failed
echo register-zebc: removed %classes%\.zebc

:remove_type
reg query "%classes%\zebcfile" >nul 2>&1
if not errorlevel 1 goto delete_type
echo register-zebc: %classes%\zebcfile is not there
goto remove_pathext
:delete_type
set "step=%classes%\zebcfile"
reg delete "%classes%\zebcfile" /f >nul
if errorlevel 1 goto reg_failed
echo register-zebc: removed %classes%\zebcfile

:remove_pathext
call :read_user_pathext
if defined user_type goto strip_pathext
echo register-zebc: this user has no PATHEXT of their own; nothing to remove from it
exit /b 0
:strip_pathext
set "probe=;%user_pathext%;"
:strip_more
set "stripped=%probe:;.zebc;=;%"
if "%stripped%"=="%probe%" goto stripped
set "probe=%stripped%"
goto strip_more
:stripped
if /i "%probe%"==";%user_pathext%;" (
  echo register-zebc: this user's PATHEXT holds no .ZEBC; left as it is
  exit /b 0
)
set "wanted="
if not "%probe%"==";" set "wanted=%probe:~1,-1%"
rem A PATHEXT of the user's own that is only a copy of the system's, as
rem registering made it, would hide later changes to the system's: it goes.
set "system_pathext="
for /f "tokens=1,2,*" %%a in ('reg query "%system_environment%" /v PATHEXT 2^>nul') do (
  if /i "%%a"=="PATHEXT" set "system_pathext=%%c"
)
set "why=held only .ZEBC"
if not defined wanted goto drop_user_pathext
set "why=was the system's with .ZEBC"
if /i "%wanted%"=="%system_pathext%" goto drop_user_pathext
call :write_user_pathext
if errorlevel 1 goto reg_failed
echo register-zebc: .ZEBC removed from this user's PATHEXT, now %wanted%
exit /b 0
:drop_user_pathext
set "step=%environment% PATHEXT"
if defined system_pathext setx PATHEXT "%system_pathext%" >nul 2>&1
reg delete "%environment%" /v PATHEXT /f >nul
if errorlevel 1 goto reg_failed
echo register-zebc: removed this user's PATHEXT, which %why%; the system's applies again
exit /b 0

:read_user_pathext
set "user_type="
set "user_pathext="
for /f "tokens=1,2,*" %%a in ('reg query "%environment%" /v PATHEXT 2^>nul') do (
  if /i "%%a"=="PATHEXT" set "user_type=%%b"
  if /i "%%a"=="PATHEXT" set "user_pathext=%%c"
)
exit /b 0

rem Writes %wanted% as this user's PATHEXT, of the type it had. setx first:
rem its documentation promises the value to command windows opened later,
rem which a plain reg add does not (Explorer hands new windows the
rem environment it read at sign-in until told of a change, and reg tells no
rem one). reg add then writes the value exactly, of its type, where setx
rem would cut it at 1024 characters or, as Wine's stub, write nothing.
:write_user_pathext
set "step=%environment% PATHEXT"
set "broadcast_note="
setx PATHEXT "%wanted%" >nul 2>&1
if errorlevel 1 set "broadcast_note= after you next sign in"
reg add "%environment%" /v PATHEXT /t %user_type% /d "%wanted%" /f >nul
if errorlevel 1 exit /b 1
exit /b 0

:reg_failed
>&2 echo register-zebc: reg could not change !step! (its message is above); what was done before stays, and register-zebc.cmd or register-zebc.cmd /u run again finishes the job
exit /b 1

:usage
>&2 echo usage: register-zebc.cmd [/u]
>&2 echo   registers .zebc scripts to run through the zeb_c.exe beside it, for this user; /u removes that
exit /b 2
