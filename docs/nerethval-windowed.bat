@echo off
rem Nereth//Val in a 1280 x 720 window instead of fullscreen. Options given to this file are passed
rem on, so "nerethval-windowed.bat --size 1920x1080" opens a larger window.
start "" "%~dp0nerethval.exe" --windowed %*
