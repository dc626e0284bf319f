// Runs the Khronos glTF validator (the npm package, whose folder is the first argument) over a
// .glb file and prints its report as JSON; exits 2 when the validator itself fails.
'use strict';
const fs = require('fs');
const validator = require(process.argv[2]);
const bytes = new Uint8Array(fs.readFileSync(process.argv[3]));
validator
    .validateBytes(bytes, { maxIssues: 100 })
    .then((report) => process.stdout.write(JSON.stringify(report) + '\n'))
    .catch((failure) => {
        process.stderr.write(String(failure) + '\n');
        process.exit(2);
    });
